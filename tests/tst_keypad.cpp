// The live keypad and the PC keyboard: one table of input sequences and the
// transcript each leaves. Keys reach the main window's platform window with
// the native data an X11 keyboard gives (keycode and keysym).
//
// Script steps, separated by blanks:
//   L#  M#      left / middle click on the keypad key "#"
//   R#  r#      right button pressed / released on it
//   +K -K       key K pressed / released;  ^K  both;  *K  an auto-repeated press;
//   ~K          an auto-repeat pair (release and press, both marked)
//   t1000       the timestamp (ms) of the key events that follow (0: none)
//   field pad   focus to the first Length field (emptied) / back to the keypad
// K is a main-row digit, A D E Z, P0 P7 P9 P* (numeric pad), Esc, Shift, or #
// (a German keyboard's own "#" key), after optional flags: s Shift, c Ctrl
// held, n no native data. Held Shift (+Shift) applies to the keys that follow.
//
// Transcripts in one line: a write as its quoted text, the status
// "Sending tone [x]" as [x], any other event as its kind and quoted text, and
// @N before the first event at a later tick.

#include "support/panelrig.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>

namespace {

struct Key
{
    int key;
    QString text;
    quint32 keycode;
    quint32 keysym;
};

Key physicalKey(const QString &name, Qt::KeyboardModifiers &mods, bool native)
{
    static const QMap<QString, Key> named{
        {"A", {Qt::Key_A, "a", 38, 'a'}},
        {"D", {Qt::Key_D, "d", 40, 'd'}},
        {"E", {Qt::Key_E, "e", 26, 'e'}},
        {"Z", {Qt::Key_Z, "z", 52, 'z'}},
        {"P0", {Qt::Key_0, "0", 90, 0xffb0}},
        {"P7", {Qt::Key_7, "7", 79, 0xffb7}},
        {"P9", {Qt::Key_9, "9", 81, 0xffb9}},
        {"P*", {Qt::Key_Asterisk, "*", 63, 0xffaa}},
        {"Esc", {Qt::Key_Escape, "\x1b", 9, 0xff1b}},
        {"Shift", {Qt::Key_Shift, "", 50, 0xffe1}},
        {"#", {Qt::Key_NumberSign, "#", 51, '#'}},
    };
    Key key = named.value(name);
    if (name.startsWith(u'P'))
        mods |= Qt::KeypadModifier;
    if (name.size() == 1 && name[0].isDigit()) {
        const int digit = name[0].digitValue();
        // With Shift, Qt names the symbol the key types.
        const int symbol = (mods & Qt::ShiftModifier) ? ")!@#$%^&*("[digit] : '0' + digit;
        key = {symbol, QString(QChar(symbol)), digit == 0 ? 19u : 9u + digit, quint32(symbol)};
    }
    if (!native)
        key.keycode = key.keysym = 0;
    return key;
}

void sendKey(QWindow *window, QEvent::Type type, const Key &key, Qt::KeyboardModifiers mods,
             bool repeat, quint64 stamp)
{
    QKeyEvent event(type, key.key, mods, key.keycode, key.keysym, 0, key.text, repeat);
    event.setTimestamp(stamp);
    QSpontaneKeyEvent::setSpontaneous(&event);
    QCoreApplication::instance()->notify(window, &event);
}

void play(Zelvo &panel, const QString &script)
{
    static const QString symbols = QStringLiteral("1234567890*#ABCD"); // KeyPad(0) to KeyPad(15)
    Qt::KeyboardModifiers held;
    quint64 stamp = 0;
    for (const QString &step : script.split(u' ', Qt::SkipEmptyParts)) {
        const QChar act = step[0];
        if (step == QLatin1String("field")) {
            panel.Length[0]->setFocus();
            panel.Length[0]->clear();
            QTRY_COMPARE(panel.Focused, kFalse);
        } else if (step == QLatin1String("pad")) {
            panel.KeyPad[0]->setFocus();
            QTRY_COMPARE(panel.Focused, kTrue);
        } else if (act == u't') {
            stamp = step.mid(1).toULongLong();
        } else if (QStringLiteral("LMRr").contains(act)) {
            QPushButton *key = panel.KeyPad[symbols.indexOf(step.mid(1))];
            const Qt::MouseButton button = act == u'L'   ? Qt::LeftButton
                                           : act == u'M' ? Qt::MiddleButton
                                                         : Qt::RightButton;
            if (act != u'r')
                QTest::mousePress(key, button);
            if (act != u'R')
                QTest::mouseRelease(key, button);
        } else {
            qsizetype i = 1;
            Qt::KeyboardModifiers mods = held;
            for (; step[i].isLower(); ++i)
                mods |= step[i] == u's'   ? Qt::ShiftModifier
                        : step[i] == u'c' ? Qt::ControlModifier
                                          : Qt::NoModifier;
            const QString name = step.mid(i);
            const Key key = physicalKey(name, mods, !step.mid(1, i - 1).contains(u'n'));
            const bool repeat = act == u'*' || act == u'~';
            if (act == u'-' || act == u'~')
                sendKey(panel.windowHandle(), QEvent::KeyRelease, key, mods, repeat, stamp);
            if (act != u'-')
                sendKey(panel.windowHandle(), QEvent::KeyPress, key, mods, repeat, stamp);
            if (act == u'^')
                sendKey(panel.windowHandle(), QEvent::KeyRelease, key, mods, false, stamp);
            if (name == QLatin1String("Shift"))
                held = act == u'+' ? Qt::ShiftModifier : Qt::NoModifier;
        }
    }
}

QString compact(const QStringList &transcript)
{
    QString out;
    QString tick = QStringLiteral("0");
    for (const QString &line : transcript) {
        const QString at = line.section(u' ', 0, 0);
        const QString what = line.section(u' ', 1, 1);
        const QString text = line.section(u' ', 2);
        if (at != tick)
            out += QLatin1Char('@') + (tick = at) + QLatin1Char(' ');
        if (what == QLatin1String(">"))
            out += text;
        else if (what == QLatin1String("status") &&
                 text.startsWith(QLatin1String("\"Sending tone [")))
            out += text.mid(14).chopped(1);
        else
            out += what + text;
        out += QLatin1Char(' ');
    }
    return out.trimmed();
}

} // namespace

class KeypadTest : public QObject
{
    Q_OBJECT

private slots:
    void sequences_data();
    void sequences();
};

void KeypadTest::sequences_data()
{
    QTest::addColumn<bool>("device");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("transcript");
    QTest::addColumn<QString>("field"); // the Length field afterwards, when not null

    const auto row = [](const char *name, const char *script, const char *transcript,
                        const char *field = nullptr, bool device = true) {
        QTest::newRow(name) << device << script << transcript
                            << (field ? QString::fromLatin1(field) : QString());
    };
    row("left, right and middle button", "L# R# r# M#", R"([#] "$#" [#] "%#" "%" [#] "#")");
    row("every key, left", "L1 L2 L3 L4 L5 L6 L7 L8 L9 L0 L* L# LA LB LC LD",
        R"([1] "$1" [2] "$2" [3] "$3" [4] "$4" [5] "$5" [6] "$6" [7] "$7" [8] "$8" )"
        R"([9] "$9" [0] "$0" [*] "$*" [#] "$#" [A] "$A" [B] "$B" [C] "$C" [D] "$D")");
    row("closed port skips the writes", "R5 r5 L6 ^4", "[5] [6] [4]", nullptr, false);
    row("held key repeats", "+5 *5 ~5 *5 -5", R"("%5" [5] "%")");
    row("unmarked repeat pairs", "t1000 +5 t1500 -5 +5 t1540 -5 +5 t2600 -5 t0 ^E",
        R"("%5" [5] "%")");
    row("overlapping keys", "+1 +2 -2 -1", R"("%1" [1] "%" "%")");
    row("releases keep their order", "t3000 +1 t3010 +2 t3020 -2 t3030 -1 t3031 +1 t3040 -1 t0 ^E",
        R"("%1" [1] "%" "%" "%1" [1] "%")");
    row("shift 3, shift 8, Shift released last", "+Shift ^3 ^8 -Shift",
        R"("%#" [#] "%" "%*" [*] "%" "%")");
    row("other masks and main-row digits", "^cs3 ^cs8 ^s1 ^0 ^9",
        R"("%3" [3] "%" "%8" [8] "%" "%1" [1] "%" "%0" [0] "%" "%9" [9] "%")");
    row("no native data, a German hash key", "^ns3 ^ns1 ^#", R"("%#" [#] "%" "%1" [1] "%")");
    row("numeric pad and letters", "^P0 ^P9 ^P* ^A ^sA ^D ^E ^Z",
        R"("%0" [0] "%" "%9" [9] "%" "%A" [A] "%" "%A" [A] "%" "%D" [D] "%")");
    row("Esc while a key is held", "+5 +Esc -Esc -5",
        R"("%5" [5] "\r\n" status"Aborted.\r\n" @100 status"" "%" @150 status"Ready")");
    row("keys in a settings field", "+5 field -5 ^7 ^0 ^3 ^Esc pad ^9",
        R"("%5" [5] "\r\n" status"Aborted.\r\n" @100 status"" "%" @150 status"Ready" )"
        R"("%9" [9] "%")",
        "703");
}

void KeypadTest::sequences()
{
    QFETCH(bool, device);
    QFETCH(QString, script);
    QFETCH(QString, transcript);
    QFETCH(QString, field);
    PanelRig rig;
    if (device)
        rig.addDevice(1);
    else
        rig.boxes().answer(QMessageBox::Yes); // no device: go on without one
    Zelvo &panel = rig.start();
    panel.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&panel));
    panel.KeyPad[0]->setFocus();
    QTRY_COMPARE(panel.Focused, kTrue);
    rig.mark();

    play(panel, script);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(compact(rig.transcript()), transcript);
    if (!field.isNull())
        QCOMPARE(panel.Length[0]->text(), field);
    QCOMPARE(panel.ToneStr, QString());
}

QTEST_MAIN(KeypadTest)
#include "tst_keypad.moc"
