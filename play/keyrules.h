// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The rules of the keypad and of the PC keyboard, as pure functions: which
// tone a key of the on-screen pad stands for, how a key event becomes a
// virtual-key code, and which codes play tones. Nothing here needs a window.

#include <QChar>
#include <QString>
#include <QtGlobal>

namespace keyrules {

// Virtual-key codes the keyboard handlers classify.
constexpr int VkEscape = 27;
constexpr int VkDigit0 = 48;
constexpr int VkPad0 = 96;
constexpr int VkPadMultiply = 106;
constexpr int VkPadAdd = 107;
constexpr int VkPadSubtract = 109;
constexpr int VkPadDecimal = 110;
constexpr int VkPadDivide = 111;
constexpr int VkNone = 0; // a key that is neither a tone key nor Esc

// Shift mask bits as the handlers receive them.
constexpr int ShiftBit = 1;
constexpr int CtrlBit = 2;
constexpr int AltBit = 4;

// Mouse buttons as the keypad handlers receive them (0: any other).
constexpr int LeftButton = 1;
constexpr int RightButton = 2;
constexpr int MiddleButton = 4;

constexpr int KeyCount = 16;

// The tone symbol of keypad key `index` (0 to 15): "1" to "9", "0", "*",
// "#", "A" to "D".
QChar keyPadSymbol(int index);

// A tone symbol as a tone field takes it: 0 to 9, A to D in either case, * and #.
bool isToneSymbol(QChar c);

// "Sending tone [symbols]".
QString sendingTone(const QString &symbols);

// What a platform's native key data says about a key.
enum class NativeKeys {
    VirtualKey, // Windows: the native virtual key is the virtual-key code itself
    KeyCode,    // X11 and Wayland: the native scan code is the key's xkb keycode
    None,       // nothing usable: the Qt key alone decides
};

// The kind of native key data of the platform named `platformName` (as
// QGuiApplication::platformName() gives it).
NativeKeys nativeKeysOf(const QString &platformName);

// A key event as the keyboard handlers read it.
struct KeyEvent
{
    int key = 0; // Qt::Key
    Qt::KeyboardModifiers modifiers;
    quint32 nativeScanCode = 0;
    quint32 nativeVirtualKey = 0;
};

// The virtual-key code of a key event, the key as pressed rather than the
// symbol it typed: the key "3" is 51 with or without Shift. Qt reports the
// shifted symbol ("#"), so the main-row digits are taken from the native data
// where the platform gives it and otherwise mapped back from the symbol as on
// a US keyboard. The numeric pad's keys have codes of their own.
int virtualKeyCode(NativeKeys native, const KeyEvent &event);

// The shift mask of a set of modifiers: Shift, Ctrl and Alt bits.
int shiftMask(Qt::KeyboardModifiers modifiers);

// The button code of a mouse button.
int buttonCode(Qt::MouseButton button);

// A key-down as the keyboard handler classifies it.
struct KeyDown
{
    int keyCode = VkNone; // the code, a pad digit as its main-row digit,
                          // Shift+3 as "#" and Shift+8 as "*"
    bool tone = false;    // the code is a tone symbol
    bool escape = false;  // the key is Esc, which aborts
};

// Main-row and pad digits and the letters A to D are tones; with the mask
// exactly Shift, the digits 3 and 8 are "#" and "*".
KeyDown classifyKeyDown(int keyCode, int shift);

} // namespace keyrules
