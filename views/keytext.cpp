#include "views/keytext.h"

namespace {

struct KeyEntry
{
    int qtKey;
    int code;
    const char *name;
};

constexpr KeyEntry KeyTable[] = {
    {Qt::Key_Backspace, 8, "GUI_KEY_BACKSPACE"},
    {Qt::Key_Tab, 9, "GUI_KEY_TAB"},
    {Qt::Key_Backtab, 10, "GUI_KEY_BACKTAB"},
    {Qt::Key_Return, 13, "GUI_KEY_ENTER"},
    {Qt::Key_Enter, 13, "GUI_KEY_ENTER"},
    {Qt::Key_Left, 16, "GUI_KEY_LEFT"},
    {Qt::Key_Up, 17, "GUI_KEY_UP"},
    {Qt::Key_Right, 18, "GUI_KEY_RIGHT"},
    {Qt::Key_Down, 19, "GUI_KEY_DOWN"},
    {Qt::Key_PageUp, 20, "GUI_KEY_PGUP"},
    {Qt::Key_PageDown, 21, "GUI_KEY_PGDOWN"},
    {Qt::Key_Home, 23, "GUI_KEY_HOME"},
    {Qt::Key_End, 24, "GUI_KEY_END"},
    {Qt::Key_Shift, 25, "GUI_KEY_SHIFT"},
    {Qt::Key_Control, 26, "GUI_KEY_CONTROL"},
    {Qt::Key_Escape, 27, "GUI_KEY_ESCAPE"},
    {Qt::Key_Insert, 29, "GUI_KEY_INSERT"},
    {Qt::Key_Delete, 30, "GUI_KEY_DELETE"},
    {Qt::Key_Space, 32, "GUI_KEY_SPACE"},
    {Qt::Key_F1, 40, "GUI_KEY_F1"},
    {Qt::Key_F2, 41, "GUI_KEY_F2"},
};

bool isDroppedKey(int qtKey)
{
    return qtKey == Qt::Key_Alt || qtKey == Qt::Key_CapsLock || qtKey == Qt::Key_AltGr;
}

} // namespace

int SpecialKeyCode(int qtKey)
{
    for (const KeyEntry &e : KeyTable)
        if (e.qtKey == qtKey)
            return e.code;
    return 0;
}

QString GetKeyName(int code)
{
    for (const KeyEntry &e : KeyTable)
        if (e.code == code)
            return QLatin1String(e.name);
    return QStringLiteral("%1").arg(code);
}

KeyTranslation TranslateKey(int qtKey, bool shift, bool capsLock)
{
    KeyTranslation key;
    if (isDroppedKey(qtKey))
        return key;
    if (const int code = SpecialKeyCode(qtKey)) {
        key.kind = KeyTranslation::Special;
        key.code = code;
        return key;
    }
    // Beyond Latin-1 and not in the table: no character of the device.
    if (qtKey < 0 || qtKey > 0xFF)
        return key;

    QChar ch(uchar(qtKey & 0xFF));
    if (!shift && ch.category() == QChar::Letter_Uppercase)
        ch = ch.toLower();
    if (capsLock && ch.category() == QChar::Letter_Lowercase) {
        const QChar upper = ch.toUpper();
        if (upper.unicode() <= 0xFF)
            ch = upper;
    }
    key.kind = KeyTranslation::Character;
    key.ch = ch;
    return key;
}

ToolKeyAction ToolKey(int qtKey, Qt::KeyboardModifiers modifiers, bool selectionOn, bool press)
{
    if (selectionOn && (modifiers & Qt::ControlModifier) && qtKey == Qt::Key_C)
        return ToolKeyAction::Copy;
    if (qtKey == Qt::Key_Escape && !press)
        return ToolKeyAction::EndTool;
    return ToolKeyAction::None;
}

KeyInput TranslateKeyEvent(int qtKey, Qt::KeyboardModifiers modifiers, bool capsLock, bool press)
{
    KeyInput input;
    if (modifiers & Qt::AltModifier)
        return input;
    const KeyTranslation key = TranslateKey(qtKey, modifiers & Qt::ShiftModifier, capsLock);
    if (key.kind == KeyTranslation::Dropped)
        return input;
    input.send = true;
    input.value = key.Value();
    input.state = press ? 1 : 0;
    input.status = KeyStatusText(key, press);
    return input;
}

QString KeyStatusText(const KeyTranslation &key, bool press)
{
    QString text = QStringLiteral("[Global]: ");
    text += press ? QStringLiteral("KEY_PRESSED ") : QStringLiteral("KEY_RELEASED ");
    if (key.kind == KeyTranslation::Special)
        text += QStringLiteral("(%1)").arg(GetKeyName(key.code));
    else
        text += QStringLiteral("(\"%1\")").arg(key.ch);
    return text;
}

quint32 KeyWord(int code, int pressed)
{
    const quint32 state = quint8(qint8(pressed));
    return ((state | 0x100u) << 8) | quint8(code);
}
