// The live keypad and the PC keyboard: one table of input sequences and the
// transcript each leaves. Keys reach the main window's platform window with
// the native data an X11 keyboard gives. Script steps, separated by blanks:
//   L# M#  a left / middle click on the key "#";  R# r#  the right button down / up
//   +K -K  key K down / up;  ^K both;  *K an auto-repeated press;  ~K a marked repeat pair
//   t1000  the timestamp (ms) of the key events that follow (0: none)
//   field pad  the focus to the first Length field (emptied) / to the keypad
//   =703   the Length field holds 703;  nodevice (first)  no device is found
// K: a main-row digit, A D E Z, P0 P7 P9 P* (numeric pad), Esc, Shift, or # (a
// German keyboard's own key), after flags: s Shift, c Ctrl, n no native data.

#include "support/panelrig.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QWindow>

namespace {

// A key event as X11 delivers it to the main window's platform window.
void sendKey(Zelvo &panel, QEvent::Type type, const QString &name, Qt::KeyboardModifiers mods,
             bool native, bool repeat, quint64 stamp)
{
    struct Key
    {
        const char *name;
        int key;
        quint32 keycode, keysym;
    };
    static const Key keys[] = {
        {"A", Qt::Key_A, 38, 'a'},          {"D", Qt::Key_D, 40, 'd'},
        {"E", Qt::Key_E, 26, 'e'},          {"Z", Qt::Key_Z, 52, 'z'},
        {"P0", Qt::Key_0, 90, 0xffb0},      {"P7", Qt::Key_7, 79, 0xffb7},
        {"P9", Qt::Key_9, 81, 0xffb9},      {"P*", Qt::Key_Asterisk, 63, 0xffaa},
        {"Esc", Qt::Key_Escape, 9, 0xff1b}, {"Shift", Qt::Key_Shift, 50, 0xffe1},
        {"#", Qt::Key_NumberSign, 51, '#'},
    };
    Key key{};
    for (const Key &k : keys)
        key = name == QLatin1String(k.name) ? k : key;
    if (name.startsWith(u'P'))
        mods |= Qt::KeypadModifier;
    QString text;
    if (name.size() == 1 && name[0].isDigit()) { // with Shift, Qt names the symbol typed
        const int digit = name[0].digitValue();
        key.key = (mods & Qt::ShiftModifier) ? ")!@#$%^&*("[digit] : '0' + digit;
        key.keycode = digit == 0 ? 19 : 9 + digit;
        key.keysym = key.key;
        text = QChar(key.key);
    }
    QKeyEvent event(type, key.key, mods, native ? key.keycode : 0, native ? key.keysym : 0, 0, text,
                    repeat);
    event.setTimestamp(stamp);
    QSpontaneKeyEvent::setSpontaneous(&event);
    QCoreApplication::instance()->notify(panel.windowHandle(), &event);
}

void play(Zelvo &panel, const QString &script)
{
    static const QString symbols = QStringLiteral("1234567890*#ABCD"); // KeyPad(0) to KeyPad(15)
    Qt::KeyboardModifiers held;
    quint64 stamp = 0;
    for (const QString &step : script.split(u' ', Qt::SkipEmptyParts)) {
        const QChar act = step[0];
        if (step == QLatin1String("field") || step == QLatin1String("pad")) {
            const bool field = step == QLatin1String("field");
            (field ? static_cast<QWidget *>(panel.Length[0]) : panel.KeyPad[0])->setFocus();
            if (field)
                panel.Length[0]->clear();
            QTRY_COMPARE(panel.Focused, field ? kFalse : kTrue);
        } else if (act == u'=') {
            QCOMPARE(panel.Length[0]->text(), step.mid(1));
        } else if (step == QLatin1String("nodevice")) {
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
            const QString flags = step.mid(1).section(QRegularExpression("[^a-z]"), 0, 0);
            const QString name = step.mid(1 + flags.size());
            const Qt::KeyboardModifiers mods =
                held | (flags.contains(u's') ? Qt::ShiftModifier : Qt::NoModifier) |
                (flags.contains(u'c') ? Qt::ControlModifier : Qt::NoModifier);
            const bool native = !flags.contains(u'n'), repeat = act == u'*' || act == u'~';
            if (act == u'-' || act == u'~')
                sendKey(panel, QEvent::KeyRelease, name, mods, native, repeat, stamp);
            if (act != u'-')
                sendKey(panel, QEvent::KeyPress, name, mods, native, repeat, stamp);
            if (act == u'^')
                sendKey(panel, QEvent::KeyRelease, name, mods, native, false, stamp);
            if (name == QLatin1String("Shift"))
                held = act == u'+' ? Qt::ShiftModifier : Qt::NoModifier;
        }
    }
}

// The transcript in one line: a write as its quoted text, the status
// "Sending tone [x]" as [x], any other event as its kind and quoted text, and
// @N before the first event at a later tick.
QString compact(const QStringList &transcript)
{
    QString out, tick = QStringLiteral("0");
    for (const QString &line : transcript) {
        const QString at = line.section(u' ', 0, 0), what = line.section(u' ', 1, 1);
        QString text = line.section(u' ', 2);
        if (what == QLatin1String("status") && text.startsWith(QLatin1String("\"Sending tone [")))
            text = text.mid(14).chopped(1);
        else if (what != QLatin1String(">"))
            text.prepend(what);
        out += (at == tick ? QString() : QLatin1Char('@') + (tick = at) + u' ') + text + u' ';
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
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("transcript");
    const auto row = [](const char *name, const char *script, const char *transcript) {
        QTest::newRow(name) << script << transcript;
    };
    row("left, right and middle button", "L# R# r# M#", R"([#] "$#" [#] "%#" "%" [#] "#")");
    row("every key, left", "L1 L2 L3 L4 L5 L6 L7 L8 L9 L0 L* L# LA LB LC LD",
        R"([1] "$1" [2] "$2" [3] "$3" [4] "$4" [5] "$5" [6] "$6" [7] "$7" [8] "$8" )"
        R"([9] "$9" [0] "$0" [*] "$*" [#] "$#" [A] "$A" [B] "$B" [C] "$C" [D] "$D")");
    row("no device: the writes are skipped", "nodevice R5 r5 L6 ^4", "[5] [6] [4]");
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
    row("keys in a settings field", "+5 field -5 ^7 ^0 ^3 ^Esc pad ^9 =703",
        R"("%5" [5] "\r\n" status"Aborted.\r\n" @100 status"" "%" @150 status"Ready" )"
        R"("%9" [9] "%")");
}

void KeypadTest::sequences()
{
    QFETCH(QString, script);
    QFETCH(QString, transcript);
    PanelRig rig;
    if (script.startsWith(QLatin1String("nodevice")))
        rig.boxes().answer(QMessageBox::Yes); // go on without a device
    else
        rig.addDevice(1);
    Zelvo &panel = rig.start();
    panel.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&panel));
    panel.KeyPad[0]->setFocus();
    QTRY_COMPARE(panel.Focused, kTrue);
    rig.mark();
    play(panel, script);
    QCOMPARE(compact(rig.transcript()), transcript);
}

QTEST_MAIN(KeypadTest)
#include "tst_keypad.moc"
