#pragma once

#include <QChar>
#include <QString>
#include <Qt>

// Translation of Qt keys into the simulated device's key codes and the
// status texts of key input. Plain functions; the view's HandleKey is the
// only caller that writes the result into a block.

// Device key code and shown name of a special key; 0 and null when the Qt
// key is not in the key table.
int SpecialKeyCode(int qtKey);
// The table's name of a device key code, otherwise the code in decimal.
QString GetKeyName(int code);

struct KeyTranslation
{
    enum Kind { Dropped, Special, Character };
    Kind kind = Dropped;
    int code = 0;      // device code of a special key
    QChar ch;          // the character of a character key (Latin-1)

    // The byte sent to the simulation: the code, or the character in Latin-1.
    int Value() const { return kind == Special ? code : int(uchar(ch.toLatin1())); }
};

// A Qt key as the device sees it. Alt, Caps Lock and AltGr are dropped, and
// so is every key above 0xFF that the table lacks (F3, Meta, the euro sign:
// their low byte would type an unrelated character). Other keys are
// characters: the low byte, lower-cased unless Shift is held, upper-cased
// when Caps Lock is on (only where the upper case is a Latin-1 character too).
KeyTranslation TranslateKey(int qtKey, bool shift, bool capsLock);

// What a key event does while the hand or selection tool is active: the
// key serves the tool and nothing is sent to the simulation.
enum class ToolKeyAction { None, Copy, EndTool };
ToolKeyAction ToolKey(int qtKey, Qt::KeyboardModifiers modifiers, bool selectionOn, bool press);

// One key event with no tool active: whether something is sent, the byte
// and state to send, and the status line.
struct KeyInput
{
    bool send = false;
    int value = 0;
    int state = 0;   // 1 pressed, 0 released
    QString status;
};
KeyInput TranslateKeyEvent(int qtKey, Qt::KeyboardModifiers modifiers, bool capsLock, bool press);

// "[Global]: KEY_PRESSED (GUI_KEY_LEFT)" or "[Global]: KEY_RELEASED (\"a\")".
QString KeyStatusText(const KeyTranslation &key, bool press);

// The keyEvent word that WriteKey stores for a code and state.
quint32 KeyWord(int code, int pressed);
