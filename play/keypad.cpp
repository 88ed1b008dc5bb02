// The live keypad: the sixteen on-screen keys and the PC keyboard turn
// presses into tone commands at once. Each press or release writes at most
// one short command and returns without waiting or reading; only Esc, which
// runs Abort, waits.
//
// The keyboard reaches the handlers through the window's key preview: an
// application-wide event filter that sees every key event sent to the main
// window (whichever of its controls has the focus) before that control does,
// and lets the event go on to the control afterwards. Dialogs and the Multi
// Play window are windows of their own and are not previewed.

#include "app/statusbox.h"
#include "app/zelvo.h"
#include "link/commands.h"
#include "link/mscomm.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWindow>

#include <optional>

namespace {

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

// The tone symbol of keypad key `index`: "1" to "9", "0", "*", "#", "A" to "D".
QChar keyPadSymbol(int index)
{
    static const char symbols[16] = {'1', '2', '3', '4', '5', '6', '7', '8',
                                     '9', '0', '*', '#', 'A', 'B', 'C', 'D'};
    return QLatin1Char(symbols[index]);
}

QString sendingTone(const QString &symbol)
{
    return QStringLiteral("Sending tone [") + symbol + QLatin1Char(']');
}

// What the platform's native key data says about a key.
enum class NativeKeys {
    VirtualKey, // Windows: nativeVirtualKey() is the virtual-key code itself
    KeyCode,    // X11 and Wayland: nativeScanCode() is the key's xkb keycode
    None,       // nothing usable: the Qt key alone decides
};

NativeKeys nativeKeysOfPlatform()
{
    static const NativeKeys kind = [] {
        const QString platform = QGuiApplication::platformName();
        if (platform == QLatin1String("windows"))
            return NativeKeys::VirtualKey;
        // The Linux platforms carry xkb keycodes; offscreen (headless runs on
        // Linux) carries whatever its sender gives and is read the same way.
        if (platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland")) ||
            platform == QLatin1String("offscreen"))
            return NativeKeys::KeyCode;
        return NativeKeys::None;
    }();
    return kind;
}

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

// The virtual-key code of a key event, the key as pressed rather than the
// symbol it typed: the key "3" is 51 with or without Shift. Qt reports the
// shifted symbol ("#") in key(), so the main-row digits are taken from the
// native data where the platform gives it (Windows: the virtual-key code;
// X11/Wayland: the keycode, since the keysym Qt passes is the shifted one)
// and otherwise mapped back from the symbol as on a US keyboard.
int virtualKeyCode(const QKeyEvent &event)
{
    const NativeKeys native = nativeKeysOfPlatform();
    if (native == NativeKeys::VirtualKey && event.nativeVirtualKey() != 0)
        return int(event.nativeVirtualKey());

    const int key = event.key();
    if (event.modifiers() & Qt::KeypadModifier) {
        // The numeric pad: its digits are tone keys, its other keys are not.
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
    if (key == Qt::Key_Escape)
        return VkEscape;
    if (key >= Qt::Key_A && key <= Qt::Key_Z) // Qt names letters in upper case
        return key;
    const bool digitKey = key >= Qt::Key_0 && key <= Qt::Key_9;
    if (native == NativeKeys::KeyCode && event.nativeScanCode() != 0) {
        // The keycode names the key: a symbol typed elsewhere (the "#" key
        // of a German keyboard) is no digit key.
        const int digit = digitOfKeyCode(event.nativeScanCode());
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

// Whether the platform's auto-repeat sends each repeat as a release and a
// press with the same timestamp (X11), not always marked as repeats by Qt.
// Offscreen (headless runs on Linux) is read the same way.
bool repeatsComeInPairs()
{
    static const bool pairs = [] {
        const QString platform = QGuiApplication::platformName();
        return platform == QLatin1String("xcb") || platform == QLatin1String("offscreen");
    }();
    return pairs;
}

// How long a release waits for the press of its repeat pair: the X server
// sends the two together, so any press of the pair has arrived by then.
constexpr int RepeatPairMs = 20;

// The main window's key preview. Key events reach a window's QWindow first
// and are passed from there to the control with the focus; filtering the
// QWindow's events sees each key exactly once, before any control.
//
// Auto-repeated presses count as key-downs (they find KeyLock set). A
// release that is part of a repeat pair is no release: where repeats come in
// pairs, a release that Qt did not mark as a repeat is held back until the
// next key or mouse event of the window, or RepeatPairMs, whichever comes
// first, and dropped when that event is the press of its pair.
class KeyPreview : public QObject
{
public:
    explicit KeyPreview(Zelvo *main) : QObject(main), m_main(main)
    {
        m_releaseTimer.setSingleShot(true);
        m_releaseTimer.setInterval(RepeatPairMs);
        connect(&m_releaseTimer, &QTimer::timeout, this, [this] { releaseHeldKey(); });
        qApp->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        const bool keyEvent = type == QEvent::KeyPress || type == QEvent::KeyRelease;
        const bool mouseEvent = type == QEvent::MouseButtonPress ||
                                type == QEvent::MouseButtonRelease ||
                                type == QEvent::MouseButtonDblClick;
        if ((!keyEvent && !mouseEvent) || watched != m_main->windowHandle())
            return false;
        if (mouseEvent) {
            // A held-back key release happened before this click.
            releaseHeldKey();
            return false;
        }
        if (QApplication::activeModalWidget())
            return false;

        const auto *key = static_cast<QKeyEvent *>(event);
        if (type == QEvent::KeyPress) {
            if (m_heldRelease && isRepeatPress(*key)) {
                m_heldRelease.reset();
                m_releaseTimer.stop();
            } else {
                releaseHeldKey();
            }
            int keyCode = virtualKeyCode(*key);
            const int shift = shiftMask(key->modifiers());
            m_main->handle([&] { m_main->Form_KeyDown(keyCode, shift); });
        } else {
            releaseHeldKey();
            if (key->isAutoRepeat())
                return false;
            HeldRelease release{key->nativeScanCode(), key->key(), key->timestamp(),
                                virtualKeyCode(*key), shiftMask(key->modifiers())};
            // A release without a timestamp cannot be paired with a press.
            if (repeatsComeInPairs() && release.timestamp != 0) {
                m_heldRelease = release;
                m_releaseTimer.start();
            } else {
                keyUp(release);
            }
        }
        // The control with the focus still gets the key (a settings field
        // takes the digit typed into it).
        return false;
    }

private:
    struct HeldRelease
    {
        quint32 scanCode = 0;
        int key = 0;
        quint64 timestamp = 0;
        int keyCode = 0;
        int shift = 0;
    };

    bool isRepeatPress(const QKeyEvent &press) const
    {
        const bool sameKey = m_heldRelease->scanCode != 0
                                 ? press.nativeScanCode() == m_heldRelease->scanCode
                                 : press.key() == m_heldRelease->key;
        return sameKey && press.timestamp() == m_heldRelease->timestamp;
    }

    void releaseHeldKey()
    {
        if (!m_heldRelease)
            return;
        const HeldRelease release = *m_heldRelease;
        m_heldRelease.reset();
        m_releaseTimer.stop();
        keyUp(release);
    }

    void keyUp(const HeldRelease &release)
    {
        m_main->handle([&] { m_main->Form_KeyUp(release.keyCode, release.shift); });
    }

    Zelvo *m_main = nullptr;
    std::optional<HeldRelease> m_heldRelease;
    QTimer m_releaseTimer;
};

} // namespace

QObject *Zelvo::installKeyPreview(Zelvo *main)
{
    return new KeyPreview(main);
}

void Zelvo::KeyPad_MouseDown(int index, int button, int shift, int x, int y)
{
    Q_UNUSED(shift);
    Q_UNUSED(x);
    Q_UNUSED(y);
    ToneStr += keyPadSymbol(index);
    StatusBox->setText(sendingTone(ToneStr));
    if (button == 1)
        ToneStr.prepend(zcmd::KeypadTone);
    else if (button == 2)
        ToneStr.prepend(zcmd::HeldTone);
    resumeNext([&] { MSComm1->output(ToneStr); });
    ToneStr.clear();
}

void Zelvo::KeyPad_MouseUp(int index, int button, int shift, int x, int y)
{
    Q_UNUSED(index);
    Q_UNUSED(shift);
    Q_UNUSED(x);
    Q_UNUSED(y);
    if (button == 2)
        resumeNext([&] { MSComm1->output(zcmd::ToneStop); });
}

void Zelvo::Form_KeyDown(int &keyCode, int shift)
{
    ValidKey = kFalse;
    if (keyCode >= VkPad0 && keyCode <= VkPad0 + 9) {
        keyCode -= VkPad0 - VkDigit0;
        ValidKey = kTrue;
    } else if (keyCode >= VkDigit0 && keyCode <= VkDigit0 + 9) {
        if (keyCode == '3' && shift == ShiftBit)
            keyCode = '#';
        if (keyCode == '8' && shift == ShiftBit)
            keyCode = '*';
        ValidKey = kTrue;
    } else if (keyCode >= 'A' && keyCode <= 'D') {
        ValidKey = kTrue;
    } else {
        ValidKey = kFalse;
        if (keyCode == VkEscape) {
            Abort_Click();
            // Abort waits, and a tone key pressed meanwhile leaves ValidKey
            // set: Esc itself is never a tone. The keys pressed inside keep
            // ValidKey as they left it, so their key-ups still stop their tones.
            return;
        }
    }

    if (ValidKey != kFalse && KeyLock == kFalse && Focused != kFalse) {
        KeyLock = kTrue;
        const QString symbol{QChar(keyCode)};
        // Skipped when the port is closed (no device found): the panel goes on.
        resumeNext([&] { MSComm1->output(zcmd::HeldTone + symbol); });
        StatusBox->setText(sendingTone(symbol));
    }
}

void Zelvo::Form_KeyUp(int keyCode, int shift)
{
    Q_UNUSED(keyCode);
    Q_UNUSED(shift);
    KeyLock = kFalse;
    if (ValidKey != kFalse && Focused != kFalse)
        resumeNext([&] { MSComm1->output(zcmd::ToneStop); });
}
