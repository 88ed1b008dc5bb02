// The live keypad: mouse presses on the sixteen keys and the PC keyboard,
// against a simulated device, checked byte for byte on the wire. Keys are
// delivered to the main window's platform window, as a real keyboard's are,
// with the native data an X11 keyboard gives (keycode and keysym).

#include "app/statusbox.h"
#include "link/mscomm.h"
#include "support/panelrig.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>

namespace {

// A key of a US PC keyboard as X11 reports it: the Qt key and text of the
// current level, the keycode of the physical key and the keysym.
struct PhysicalKey
{
    int key;
    QString text;
    quint32 keycode;
    quint32 keysym;
};

PhysicalKey digitKey(int digit)
{
    const quint32 keycode = digit == 0 ? 19 : 9 + quint32(digit);
    return {Qt::Key_0 + digit, QString::number(digit), keycode, quint32('0' + digit)};
}

// The main-row digit key with Shift held: Qt names the shifted symbol.
PhysicalKey shiftedDigitKey(int digit)
{
    const char symbol = ")!@#$%^&*("[digit];
    return {symbol, QString(QLatin1Char(symbol)), digitKey(digit).keycode, quint32(symbol)};
}

const PhysicalKey KeyA{Qt::Key_A, QStringLiteral("a"), 38, 'a'};
const PhysicalKey KeyShiftedA{Qt::Key_A, QStringLiteral("A"), 38, 'A'};
const PhysicalKey KeyE{Qt::Key_E, QStringLiteral("e"), 26, 'e'};
const PhysicalKey KeyShift{Qt::Key_Shift, QString(), 50, 0xffe1};
const PhysicalKey KeyEscape{Qt::Key_Escape, QStringLiteral("\x1b"), 9, 0xff1b};
const PhysicalKey KeyPad7{Qt::Key_7, QStringLiteral("7"), 79, 0xffb7};
const PhysicalKey KeyPadMultiply{Qt::Key_Asterisk, QStringLiteral("*"), 63, 0xffaa};

class Keyboard
{
public:
    explicit Keyboard(Zelvo &panel) : m_window(panel.windowHandle()) {}

    void press(const PhysicalKey &key, Qt::KeyboardModifiers modifiers = {}, bool repeat = false)
    {
        send(QEvent::KeyPress, key, modifiers, repeat);
    }
    void release(const PhysicalKey &key, Qt::KeyboardModifiers modifiers = {}, bool repeat = false)
    {
        send(QEvent::KeyRelease, key, modifiers, repeat);
    }
    void tap(const PhysicalKey &key, Qt::KeyboardModifiers modifiers = {})
    {
        press(key, modifiers);
        release(key, modifiers);
    }
    // The timestamp (ms) of the events that follow; 0, the default, is none.
    Keyboard &at(quint64 timestamp)
    {
        m_timestamp = timestamp;
        return *this;
    }

private:
    // Delivered to the platform window, which passes it on to the control
    // with the focus, as the windowing system's key events are.
    void send(QEvent::Type type, const PhysicalKey &key, Qt::KeyboardModifiers modifiers,
              bool repeat)
    {
        QKeyEvent event(type, key.key, modifiers, key.keycode, key.keysym, 0, key.text, repeat);
        event.setTimestamp(m_timestamp);
        QSpontaneKeyEvent::setSpontaneous(&event);
        QCoreApplication::instance()->notify(m_window, &event);
    }

    QWindow *m_window;
    quint64 m_timestamp = 0;
};

// What the device received since the last clear(), once every earlier write
// has arrived: an ignored byte is written after them and waited for, and
// such bytes are left out of the result.
class Wire
{
public:
    Wire(PanelRig &rig, Zelvo &panel) : m_rig(rig), m_panel(panel) {}

    void clear()
    {
        m_rig.clearWire();
        m_markers = 0;
    }

    // What has arrived so far.
    QByteArray now() { return m_rig.wire(1).replace("~", ""); }

    QByteArray settled()
    {
        m_panel.MSComm1->output(QStringLiteral("~"));
        ++m_markers;
        QByteArray wire;
        const auto arrived = [&] {
            wire = m_rig.wire(1);
            return wire.count('~') == m_markers;
        };
        if (!QTest::qWaitFor(arrived, 10000))
            return "(the marker never arrived) " + wire;
        return wire.replace("~", "");
    }

private:
    PanelRig &m_rig;
    Zelvo &m_panel;
    int m_markers = 0;
};

// A started panel on a device on COM1, its window active with the focus on
// a keypad key (so keyboard tones are on), wire and texts cleared.
Zelvo &startForKeys(PanelRig &rig)
{
    rig.addDevice(1);
    Zelvo &panel = rig.start();
    panel.activateWindow();
    if (!QTest::qWaitForWindowActive(&panel))
        qWarning("the panel's window did not become active");
    panel.KeyPad[0]->setFocus();
    if (!QTest::qWaitFor([&] { return panel.Focused == kTrue; }))
        qWarning("keyboard tones did not come on");
    rig.clearWire();
    rig.clearTexts();
    return panel;
}

} // namespace

class KeypadTest : public QObject
{
    Q_OBJECT

private slots:
    void mouseButtonsOnTheHashKey();
    void everyKeySendsItsSymbol();
    void closedPortWritesAreSkipped();
    void heldKeySendsOneStartAndOneStop();
    void unmarkedRepeatPairsAreNoRelease();
    void shiftedAndControlledDigits();
    void numericPadAndLetters();
    void overlappingKeys();
    void escapeAbortsAndSilencesTheHeldKeysRelease();
    void keysWhileASettingsFieldHasTheFocus();
};

void KeypadTest::mouseButtonsOnTheHashKey()
{
    PanelRig rig;
    Zelvo &panel = startForKeys(rig);
    Wire wire(rig, panel);
    QPushButton *hash = panel.KeyPad[11];
    QCOMPARE(hash->text(), QStringLiteral("#"));

    QTest::mousePress(hash, Qt::LeftButton);
    QTest::mouseRelease(hash, Qt::LeftButton);
    QCOMPARE(wire.settled(), QByteArray("$#"));

    wire.clear();
    QTest::mousePress(hash, Qt::RightButton);
    QCOMPARE(wire.settled(), QByteArray("%#"));
    wire.clear();
    QTest::mouseRelease(hash, Qt::RightButton);
    QCOMPARE(wire.settled(), QByteArray("%"));

    wire.clear();
    QTest::mousePress(hash, Qt::MiddleButton);
    QTest::mouseRelease(hash, Qt::MiddleButton);
    QCOMPARE(wire.settled(), QByteArray("#"));

    const QString sending = QStringLiteral("Sending tone [#]");
    QCOMPARE(rig.statusTexts(), (QStringList{sending, sending, sending}));
    QCOMPARE(panel.ToneStr, QString());
}

void KeypadTest::everyKeySendsItsSymbol()
{
    PanelRig rig;
    Zelvo &panel = startForKeys(rig);
    Wire wire(rig, panel);
    for (QPushButton *key : panel.KeyPad) {
        QTest::mouseClick(key, Qt::LeftButton);
        QCOMPARE(key->toolTip(), QStringLiteral("DTMF ") + key->text());
    }
    QCOMPARE(wire.settled(), QByteArray("$1$2$3$4$5$6$7$8$9$0$*$#$A$B$C$D"));
}

void KeypadTest::closedPortWritesAreSkipped()
{
    PanelRig rig;
    rig.boxes().answer(QMessageBox::Yes); // no device: go on without one
    Zelvo &panel = rig.start();
    rig.clearTexts();
    Keyboard keyboard(panel);

    QTest::mousePress(panel.KeyPad[4], Qt::RightButton);
    QTest::mouseRelease(panel.KeyPad[4], Qt::RightButton);
    QTest::mouseClick(panel.KeyPad[5], Qt::LeftButton);
    QCOMPARE(panel.ToneStr, QString());
    keyboard.press(digitKey(4));
    QCOMPARE(panel.KeyLock, kTrue);
    keyboard.release(digitKey(4));
    QCOMPARE(panel.KeyLock, kFalse);

    // The status still shows each tone; nothing is reported.
    QCOMPARE(rig.statusTexts(),
             (QStringList{QStringLiteral("Sending tone [5]"), QStringLiteral("Sending tone [6]"),
                          QStringLiteral("Sending tone [4]")}));
    QCOMPARE(rig.boxes().seen().size(), 1);
}

void KeypadTest::heldKeySendsOneStartAndOneStop()
{
    PanelRig rig;
    Zelvo &panel = startForKeys(rig);
    Wire wire(rig, panel);
    Keyboard keyboard(panel);
    const PhysicalKey five = digitKey(5);

    keyboard.press(five);
    for (int i = 0; i < 30; ++i)
        keyboard.press(five, {}, true);
    // Some platforms pair each repeat with a release that is no real release.
    for (int i = 0; i < 30; ++i) {
        keyboard.release(five, {}, true);
        keyboard.press(five, {}, true);
    }
    QCOMPARE(panel.KeyLock, kTrue);
    QCOMPARE(wire.settled(), QByteArray("%5"));
    keyboard.release(five);
    QCOMPARE(wire.settled(), QByteArray("%5%"));
    QCOMPARE(panel.KeyLock, kFalse);
    QCOMPARE(rig.statusTexts(), QStringList{QStringLiteral("Sending tone [5]")});
}

void KeypadTest::unmarkedRepeatPairsAreNoRelease()
{
    PanelRig rig;
    Zelvo &panel = startForKeys(rig);
    Wire wire(rig, panel);
    Keyboard keyboard(panel);
    const PhysicalKey five = digitKey(5);

    // X11 repeats a held key as a release and a press with one timestamp,
    // which Qt does not always mark as a repeat.
    keyboard.at(1000).press(five);
    for (quint64 t = 1500; t < 2500; t += 40) {
        keyboard.at(t).release(five);
        keyboard.at(t).press(five);
    }
    QCOMPARE(wire.settled(), QByteArray("%5"));
    QCOMPARE(panel.KeyLock, kTrue);
    keyboard.at(2600).release(five);
    QTRY_COMPARE(wire.now(), QByteArray("%5%"));
    QCOMPARE(panel.KeyLock, kFalse);

    // Real releases keep their order against the keys that follow, a quick
    // press of the same key included.
    wire.clear();
    keyboard.at(3000).press(digitKey(1));
    keyboard.at(3010).press(digitKey(2));
    keyboard.at(3020).release(digitKey(2));
    keyboard.at(3030).release(digitKey(1));
    keyboard.at(3031).press(digitKey(1));
    keyboard.at(3040).release(digitKey(1));
    QTRY_COMPARE(wire.now(), QByteArray("%1%%%1%"));
    QCOMPARE(wire.settled(), QByteArray("%1%%%1%"));
}

void KeypadTest::shiftedAndControlledDigits()
{
    PanelRig rig;
    Zelvo &panel = startForKeys(rig);
    Wire wire(rig, panel);
    Keyboard keyboard(panel);
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    const Qt::KeyboardModifiers controlShift = Qt::ControlModifier | Qt::ShiftModifier;

    keyboard.tap(shiftedDigitKey(3), shift);
    keyboard.tap(shiftedDigitKey(8), shift);
    keyboard.tap(shiftedDigitKey(3), controlShift); // mask 3: not the "#" rule
    keyboard.tap(shiftedDigitKey(1), shift);
    keyboard.tap(digitKey(0));
    QCOMPARE(wire.settled(), QByteArray("%#%%*%%3%%1%%0%"));
    QCOMPARE(rig.statusTexts(),
             (QStringList{QStringLiteral("Sending tone [#]"), QStringLiteral("Sending tone [*]"),
                          QStringLiteral("Sending tone [3]"), QStringLiteral("Sending tone [1]"),
                          QStringLiteral("Sending tone [0]")}));

    // Without native data the shifted symbol is mapped back as on a US keyboard.
    wire.clear();
    keyboard.tap({Qt::Key_Exclam, QStringLiteral("!"), 0, 0}, shift);
    keyboard.tap({Qt::Key_NumberSign, QStringLiteral("#"), 0, 0}, shift);
    keyboard.tap({Qt::Key_ParenRight, QStringLiteral(")"), 0, 0}, shift);
    QCOMPARE(wire.settled(), QByteArray("%1%%#%%0%"));

    // A "#" typed on a key of its own (a German keyboard's) is no digit key.
    wire.clear();
    keyboard.tap({Qt::Key_NumberSign, QStringLiteral("#"), 51, '#'});
    QCOMPARE(wire.settled(), QByteArray());

    // Shift pressed and released around the digit: its release still sees
    // the digit as the last key-down and sends a second stop.
    wire.clear();
    keyboard.press(KeyShift);
    keyboard.press(shiftedDigitKey(3), shift);
    keyboard.release(shiftedDigitKey(3), shift);
    keyboard.release(KeyShift, shift);
    QCOMPARE(wire.settled(), QByteArray("%#%%"));
}

void KeypadTest::numericPadAndLetters()
{
    PanelRig rig;
    Zelvo &panel = startForKeys(rig);
    Wire wire(rig, panel);
    Keyboard keyboard(panel);

    keyboard.tap(KeyPad7, Qt::KeypadModifier);
    QCOMPARE(wire.settled(), QByteArray("%7%"));
    wire.clear();
    keyboard.tap(KeyPadMultiply, Qt::KeypadModifier);
    QCOMPARE(wire.settled(), QByteArray());

    keyboard.tap(KeyA);
    keyboard.tap(KeyShiftedA, Qt::ShiftModifier);
    QCOMPARE(wire.settled(), QByteArray("%A%%A%"));
    wire.clear();
    keyboard.tap(KeyE);
    keyboard.tap({Qt::Key_Z, QStringLiteral("z"), 52, 'z'});
    QCOMPARE(wire.settled(), QByteArray());
    QCOMPARE(panel.ValidKey, kFalse);
}

void KeypadTest::overlappingKeys()
{
    PanelRig rig;
    Zelvo &panel = startForKeys(rig);
    Wire wire(rig, panel);
    Keyboard keyboard(panel);

    // The second key finds the first one's tone sounding and sends nothing;
    // its release already stops the tone.
    keyboard.press(digitKey(1));
    keyboard.press(digitKey(2));
    QCOMPARE(wire.settled(), QByteArray("%1"));
    keyboard.release(digitKey(2));
    QCOMPARE(wire.settled(), QByteArray("%1%"));
    keyboard.release(digitKey(1));
    QCOMPARE(wire.settled(), QByteArray("%1%%"));
    QCOMPARE(rig.statusTexts(), QStringList{QStringLiteral("Sending tone [1]")});
}

void KeypadTest::escapeAbortsAndSilencesTheHeldKeysRelease()
{
    PanelRig rig;
    Zelvo &panel = startForKeys(rig);
    Wire wire(rig, panel);
    Keyboard keyboard(panel);

    keyboard.press(digitKey(5));
    const int before = rig.ticks();
    keyboard.press(KeyEscape); // runs Abort to its end
    QVERIFY(rig.ticks() - before >= 150);
    keyboard.release(KeyEscape);
    keyboard.release(digitKey(5));
    QCOMPARE(wire.settled(), QByteArray("%5\r\n%"));
    QCOMPARE(rig.statusTexts(),
             (QStringList{QStringLiteral("Sending tone [5]"), QStringLiteral("Aborted.\r\n"),
                          QString(), QStringLiteral("Ready")}));
    QCOMPARE(panel.KeyLock, kFalse);
}

void KeypadTest::keysWhileASettingsFieldHasTheFocus()
{
    PanelRig rig;
    Zelvo &panel = startForKeys(rig);
    Wire wire(rig, panel);
    Keyboard keyboard(panel);
    QLineEdit *length = panel.Length[0];

    // A tone started before the focus moves into the field is not stopped by
    // the key-up that follows, which still clears KeyLock.
    keyboard.press(digitKey(5));
    length->setFocus();
    QTRY_COMPARE(panel.Focused, kFalse);
    keyboard.release(digitKey(5));
    QCOMPARE(panel.KeyLock, kFalse);
    QCOMPARE(wire.settled(), QByteArray("%5"));

    // Digits typed into the field go into it and play nothing.
    wire.clear();
    length->clear();
    keyboard.tap(digitKey(7));
    keyboard.tap(digitKey(0));
    keyboard.press(digitKey(3));
    QCOMPARE(panel.KeyLock, kFalse);
    keyboard.release(digitKey(3));
    QCOMPARE(length->text(), QStringLiteral("703"));
    QCOMPARE(wire.settled(), QByteArray());

    // Esc still aborts.
    keyboard.tap(KeyEscape);
    QCOMPARE(wire.settled(), QByteArray("\r\n%"));

    // Back out of the field, keys play again.
    wire.clear();
    panel.KeyPad[0]->setFocus();
    QTRY_COMPARE(panel.Focused, kTrue);
    keyboard.tap(digitKey(9));
    QCOMPARE(wire.settled(), QByteArray("%9%"));
    QCOMPARE(length->text(), QStringLiteral("703"));
}

QTEST_MAIN(KeypadTest)
#include "tst_keypad.moc"
