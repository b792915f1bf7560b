#pragma once

// The simulated device's special keys as the tests expect them, written out
// here rather than taken from the tool's own table, and the key word a key
// event leaves in a layer block, computed from its bit layout rather than
// by the tool's helper: a wrong row or a wrong word in the tool then cannot
// hide behind the same mistake in the expectation.
#include <QString>
#include <QTest>
#include <Qt>
#include <QtGlobal>

namespace fixture {

struct DeviceKey
{
    int qtKey;
    const char *qtName;   // row name of a data-driven test
    int code;             // the device's key code
    const char *name;     // the name the status line shows
};

inline constexpr DeviceKey DeviceKeys[] = {
    {Qt::Key_Backspace, "Backspace", 8, "GUI_KEY_BACKSPACE"},
    {Qt::Key_Tab, "Tab", 9, "GUI_KEY_TAB"},
    {Qt::Key_Backtab, "Backtab", 10, "GUI_KEY_BACKTAB"},
    {Qt::Key_Return, "Return", 13, "GUI_KEY_ENTER"},
    {Qt::Key_Enter, "Enter", 13, "GUI_KEY_ENTER"},
    {Qt::Key_Left, "Left", 16, "GUI_KEY_LEFT"},
    {Qt::Key_Up, "Up", 17, "GUI_KEY_UP"},
    {Qt::Key_Right, "Right", 18, "GUI_KEY_RIGHT"},
    {Qt::Key_Down, "Down", 19, "GUI_KEY_DOWN"},
    {Qt::Key_PageUp, "PageUp", 20, "GUI_KEY_PGUP"},
    {Qt::Key_PageDown, "PageDown", 21, "GUI_KEY_PGDOWN"},
    {Qt::Key_Home, "Home", 23, "GUI_KEY_HOME"},
    {Qt::Key_End, "End", 24, "GUI_KEY_END"},
    {Qt::Key_Shift, "Shift", 25, "GUI_KEY_SHIFT"},
    {Qt::Key_Control, "Control", 26, "GUI_KEY_CONTROL"},
    {Qt::Key_Escape, "Escape", 27, "GUI_KEY_ESCAPE"},
    {Qt::Key_Insert, "Insert", 29, "GUI_KEY_INSERT"},
    {Qt::Key_Delete, "Delete", 30, "GUI_KEY_DELETE"},
    {Qt::Key_Space, "Space", 32, "GUI_KEY_SPACE"},
    {Qt::Key_F1, "F1", 40, "GUI_KEY_F1"},
    {Qt::Key_F2, "F2", 41, "GUI_KEY_F2"},
};

// One data row per table row, columns "key", "code" and "name".
inline void addDeviceKeyRows()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");
    for (const DeviceKey &k : DeviceKeys)
        QTest::newRow(k.qtName) << k.qtKey << k.code << QString::fromLatin1(k.name);
}

// The key field's word: bit 16 set, the state byte (1 pressed, 0 released)
// in bits 8-15 and the key code byte in bits 0-7.
inline quint32 keyWord(int code, bool pressed)
{
    return 0x00010000u | (quint32(pressed ? 1 : 0) << 8) | (quint32(code) & 0xFFu);
}

// The status line of a special key event.
inline QString keyStatus(const QString &name, bool pressed)
{
    return QStringLiteral("[Global]: %1 (%2)")
        .arg(pressed ? QStringLiteral("KEY_PRESSED") : QStringLiteral("KEY_RELEASED"), name);
}

} // namespace fixture
