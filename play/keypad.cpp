// SPDX-License-Identifier: GPL-3.0-or-later
// The keypad's keys and handlers, and the key preview of its window.

#include "play/keypad.h"

#include "link/commands.h"
#include "play/keyrules.h"

#include <QApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <optional>

using namespace keyrules;

namespace {

// Where each key stands on the pad, by index.
constexpr int KeyPadRow[KeyCount] = {0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 0, 1, 2, 3};
constexpr int KeyPadColumn[KeyCount] = {0, 1, 2, 0, 1, 2, 0, 1, 2, 1, 0, 2, 3, 3, 3, 3};

NativeKeys nativeKeysOfPlatform()
{
    static const NativeKeys kind = nativeKeysOf(QGuiApplication::platformName());
    return kind;
}

int virtualKeyCode(const QKeyEvent &event)
{
    return keyrules::virtualKeyCode(
        nativeKeysOfPlatform(),
        {event.key(), event.modifiers(), event.nativeScanCode(), event.nativeVirtualKey()});
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

// The key preview of the keypad's window. Key events reach a window's
// QWindow first and are passed from there to the control with the focus;
// filtering the QWindow's events sees each key exactly once, before any
// control.
//
// Auto-repeated presses count as key-downs (they find KeyLock set). A
// release that is part of a repeat pair is no release: where repeats come in
// pairs, a release that Qt did not mark as a repeat is held back until the
// next key or mouse event of the window, or RepeatPairMs, whichever comes
// first, and dropped when that event is the press of its pair.
class KeyPreview : public QObject
{
public:
    KeyPreview(Keypad *keypad, PlayHost::Runner handle)
        : QObject(keypad), m_keypad(keypad), m_handle(std::move(handle))
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
        if ((!keyEvent && !mouseEvent) || watched != m_keypad->window()->windowHandle())
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
            m_handle([&] { m_keypad->Form_KeyDown(keyCode, shift); });
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
        m_handle([&] { m_keypad->Form_KeyUp(release.keyCode, release.shift); });
    }

    Keypad *m_keypad = nullptr;
    PlayHost::Runner m_handle;
    std::optional<HeldRelease> m_heldRelease;
    QTimer m_releaseTimer;
};

} // namespace

Keypad::Keypad(const PlayHost &host, std::function<bool()> tonesOn, std::function<void()> abort,
               QWidget *parent)
    : QWidget(parent), m_tones(*host.link), m_status(host.status), m_handle(host.handle),
      m_tonesOn(std::move(tonesOn)), m_abort(std::move(abort))
{
    auto *pad = new QGridLayout(this);
    pad->setContentsMargins(0, 0, 0, 0);
    for (int index = 0; index < KeyCount; ++index) {
        const QString symbol(keyPadSymbol(index));
        auto *key = new QPushButton(symbol, this);
        key->setToolTip(QStringLiteral("DTMF ") + symbol);
        key->setAccessibleName(symbol);
        key->setMinimumSize(48, 40);
        key->installEventFilter(this);
        pad->addWidget(key, KeyPadRow[index], KeyPadColumn[index]);
        KeyPad[index] = key;
    }
    new KeyPreview(this, m_handle);
}

bool Keypad::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
        type == QEvent::MouseButtonDblClick) {
        const int index = int(std::find(KeyPad.begin(), KeyPad.end(), watched) - KeyPad.begin());
        if (index < KeyCount) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            const int button = buttonCode(mouse->button());
            const int shift = shiftMask(mouse->modifiers());
            const QPoint at = mouse->position().toPoint();
            if (type == QEvent::MouseButtonRelease)
                m_handle([&] { KeyPad_MouseUp(index, button, shift, at.x(), at.y()); });
            else
                m_handle([&] { KeyPad_MouseDown(index, button, shift, at.x(), at.y()); });
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Keypad::KeyPad_MouseDown(int index, int button, int shift, int x, int y)
{
    Q_UNUSED(shift);
    Q_UNUSED(x);
    Q_UNUSED(y);
    ToneStr += keyPadSymbol(index);
    m_status(sendingTone(ToneStr));
    if (button == LeftButton)
        ToneStr.prepend(zcmd::KeypadTone);
    else if (button == RightButton)
        ToneStr.prepend(zcmd::HeldTone);
    m_tones.write(ToneStr);
    ToneStr.clear();
}

void Keypad::KeyPad_MouseUp(int index, int button, int shift, int x, int y)
{
    Q_UNUSED(index);
    Q_UNUSED(shift);
    Q_UNUSED(x);
    Q_UNUSED(y);
    if (button == RightButton)
        m_tones.stop();
}

void Keypad::Form_KeyDown(int &keyCode, int shift)
{
    const KeyDown key = classifyKeyDown(keyCode, shift);
    keyCode = key.keyCode;
    ValidKey = key.tone ? kTrue : kFalse;
    if (key.escape) {
        m_abort();
        // Abort waits, and a tone key pressed meanwhile leaves ValidKey
        // set: Esc itself is never a tone. The keys pressed inside keep
        // ValidKey as they left it, so their key-ups still stop their tones.
        return;
    }

    if (ValidKey != kFalse && KeyLock == kFalse && m_tonesOn()) {
        KeyLock = kTrue;
        const QString symbol{QChar(keyCode)};
        // Skipped when the port is closed (no device found): the panel goes on.
        m_tones.hold(symbol);
        m_status(sendingTone(symbol));
    }
}

void Keypad::Form_KeyUp(int keyCode, int shift)
{
    Q_UNUSED(keyCode);
    Q_UNUSED(shift);
    KeyLock = kFalse;
    if (ValidKey != kFalse && m_tonesOn())
        m_tones.stop();
}
