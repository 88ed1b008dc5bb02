// SPDX-License-Identifier: GPL-3.0-or-later
#include "play/keyrules.h"

namespace keyrules {

namespace {

// The main-row digit of an xkb keycode (10 to 19 are the keys "1" to "9"
// and "0" on every PC keyboard), or VkNone.
int digitOfKeyCode(quint32 keyCode)
{
    if (keyCode < 10 || keyCode > 19)
        return VkNone;
    return keyCode == 19 ? VkDigit0 : VkDigit0 + int(keyCode) - 9;
}

// The main-row digit whose shifted symbol on a US keyboard is `key`, or VkNone.
int digitOfUsShiftedSymbol(int key)
{
    static const char shifted[] = ")!@#$%^&*("; // Shift+0 to Shift+9
    for (int digit = 0; digit < 10; ++digit) {
        if (key == shifted[digit])
            return VkDigit0 + digit;
    }
    return VkNone;
}

// The code of a key of the numeric pad: its digits are tone keys, its other
// keys are not.
int padKeyCode(int key)
{
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return VkPad0 + (key - Qt::Key_0);
    switch (key) {
    case Qt::Key_Asterisk:
        return VkPadMultiply;
    case Qt::Key_Plus:
        return VkPadAdd;
    case Qt::Key_Minus:
        return VkPadSubtract;
    case Qt::Key_Period:
    case Qt::Key_Comma:
        return VkPadDecimal;
    case Qt::Key_Slash:
        return VkPadDivide;
    default:
        return VkNone;
    }
}

} // namespace

QChar keyPadSymbol(int index)
{
    static const char symbols[KeyCount] = {'1', '2', '3', '4', '5', '6', '7', '8',
                                           '9', '0', '*', '#', 'A', 'B', 'C', 'D'};
    return QLatin1Char(symbols[index]);
}

bool isToneSymbol(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'D') || (c >= u'a' && c <= u'd') ||
           c == u'#' || c == u'*';
}

QString sendingTone(const QString &symbols)
{
    return QStringLiteral("Sending tone [") + symbols + QLatin1Char(']');
}

NativeKeys nativeKeysOf(const QString &platformName)
{
    if (platformName == QLatin1String("windows"))
        return NativeKeys::VirtualKey;
    // The Linux platforms carry xkb keycodes; offscreen (headless runs on
    // Linux) carries whatever its sender gives and is read the same way.
    if (platformName == QLatin1String("xcb") || platformName.startsWith(QLatin1String("wayland")) ||
        platformName == QLatin1String("offscreen"))
        return NativeKeys::KeyCode;
    return NativeKeys::None;
}

int virtualKeyCode(NativeKeys native, const KeyEvent &event)
{
    if (native == NativeKeys::VirtualKey && event.nativeVirtualKey != 0)
        return int(event.nativeVirtualKey);

    const int key = event.key;
    if (event.modifiers & Qt::KeypadModifier)
        return padKeyCode(key);
    if (key == Qt::Key_Escape)
        return VkEscape;
    if (key >= Qt::Key_A && key <= Qt::Key_Z) // Qt names letters in upper case
        return key;
    const bool digitKey = key >= Qt::Key_0 && key <= Qt::Key_9;
    if (native == NativeKeys::KeyCode && event.nativeScanCode != 0) {
        // The keycode names the key: a symbol typed elsewhere (the "#" key
        // of a German keyboard) is no digit key.
        const int digit = digitOfKeyCode(event.nativeScanCode);
        if (digit != VkNone)
            return digit;
        return digitKey ? key : VkNone;
    }
    if (digitKey)
        return key;
    return digitOfUsShiftedSymbol(key);
}

int shiftMask(Qt::KeyboardModifiers modifiers)
{
    return ((modifiers & Qt::ShiftModifier) ? ShiftBit : 0) |
           ((modifiers & Qt::ControlModifier) ? CtrlBit : 0) |
           ((modifiers & Qt::AltModifier) ? AltBit : 0);
}

int buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return LeftButton;
    case Qt::RightButton:
        return RightButton;
    case Qt::MiddleButton:
        return MiddleButton;
    default:
        return 0;
    }
}

KeyDown classifyKeyDown(int keyCode, int shift)
{
    KeyDown down;
    down.keyCode = keyCode;
    if (keyCode >= VkPad0 && keyCode <= VkPad0 + 9) {
        down.keyCode -= VkPad0 - VkDigit0;
        down.tone = true;
    } else if (keyCode >= VkDigit0 && keyCode <= VkDigit0 + 9) {
        if (keyCode == '3' && shift == ShiftBit)
            down.keyCode = '#';
        if (keyCode == '8' && shift == ShiftBit)
            down.keyCode = '*';
        down.tone = true;
    } else if (keyCode >= 'A' && keyCode <= 'D') {
        down.tone = true;
    } else {
        down.escape = keyCode == VkEscape;
    }
    return down;
}

} // namespace keyrules
