// SPDX-License-Identifier: GPL-3.0-or-later
// The live keypad and the PC keyboard: input sequences and the transcript each
// leaves. Steps: L# M# a left / middle click on the key "#", R# r# the right
// button down / up; +K -K key K down / up, ^K both, *K an auto-repeated press,
// ~K a marked repeat pair; t1000 the timestamp (ms) of the key events after;
// field / pad focus the emptied first Length field / the keypad; =703 its text;
// (^5) a step run from the event loop, inside the wait of the step after it.
// K: a main-row digit, a letter, P0-P9 P* (numeric pad), Esc, Shift or # (a
// German keyboard's key), after flags s Shift, c Ctrl, n no native data.

#include "play/keypad.h"
#include "support/panelrig.h"
#include "support/textrows.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QWindow>

namespace {

// A key event as X11 delivers it to the main window's platform window: the
// main-row digits and the German "#" key carry their keycodes.
void sendKey(Zelvo &panel, QEvent::Type type, const QString &name, Qt::KeyboardModifiers mods,
             bool native, bool repeat, quint64 stamp)
{
    int key = name == "Esc"     ? int(Qt::Key_Escape)
              : name == "Shift" ? int(Qt::Key_Shift)
                                : name.back().unicode();
    quint32 keycode = key == '#' ? 51 : 0;
    QString text;
    if (name.startsWith(u'P')) {
        mods |= Qt::KeypadModifier;
    } else if (name[0].isDigit()) { // with Shift, Qt names the symbol typed
        const int digit = name[0].digitValue();
        key = (mods & Qt::ShiftModifier) ? ")!@#$%^&*("[digit] : '0' + digit;
        keycode = digit == 0 ? 19 : 9 + digit;
        text = QChar(key);
    }
    QKeyEvent event(type, key, mods, native ? keycode : 0, 0, 0, text, repeat);
    event.setTimestamp(stamp);
    QSpontaneKeyEvent::setSpontaneous(&event);
    QCoreApplication::instance()->notify(panel.windowHandle(), &event);
}

void play(Zelvo &panel, const QString &script)
{
    Qt::KeyboardModifiers held;
    quint64 stamp = 0;
    for (const QString &step : script.split(u' ', Qt::SkipEmptyParts)) {
        const QChar act = step[0];
        if (act == u'(') {
            QTimer::singleShot(0, &panel, [&panel, step] { play(panel, step.mid(1).chopped(1)); });
        } else if (step == "field" || step == "pad") {
            // Each kind of settings field turns keyboard tones off while it has the focus.
            const QList<QWidget *> route =
                step == "pad"
                    ? QList<QWidget *>{panel.keypad()->KeyPad[0]}
                    : QList<QWidget *>{panel.settings().MemString[1], panel.keypad()->KeyPad[0],
                                       panel.settings().Space[1], panel.settings().Length[0]};
            for (QWidget *widget : route) {
                widget->setFocus();
                QTRY_COMPARE(panel.Focused, widget == panel.keypad()->KeyPad[0] ? kTrue : kFalse);
            }
            if (step == "field")
                panel.settings().Length[0]->clear();
        } else if (act == u'=') {
            QCOMPARE(panel.settings().Length[0]->text(), step.mid(1));
        } else if (act == u't') {
            stamp = step.mid(1).toULongLong();
        } else if (QStringLiteral("LMRr").contains(act)) {
            QPushButton *key =
                panel.keypad()->KeyPad[QStringLiteral("1234567890*#ABCD").indexOf(step.mid(1))];
            const auto button = act == u'L'   ? Qt::LeftButton
                                : act == u'M' ? Qt::MiddleButton
                                              : Qt::RightButton;
            if (act != u'r')
                QTest::mousePress(key, button);
            if (act != u'R')
                QTest::mouseRelease(key, button);
        } else {
            const QString flags = step.mid(1).section(QRegularExpression("[^a-z]"), 0, 0);
            const QString name = step.mid(1 + flags.size());
            const auto mods = held | (flags.contains(u's') ? Qt::ShiftModifier : Qt::NoModifier) |
                              (flags.contains(u'c') ? Qt::ControlModifier : Qt::NoModifier);
            const bool native = !flags.contains(u'n'), repeat = act == u'*' || act == u'~';
            if (act == u'-' || act == u'~')
                sendKey(panel, QEvent::KeyRelease, name, mods, native, repeat, stamp);
            if (act != u'-')
                sendKey(panel, QEvent::KeyPress, name, mods, native, repeat, stamp);
            if (act == u'^')
                sendKey(panel, QEvent::KeyRelease, name, mods, native, false, stamp);
            held = name != "Shift" ? held : act == u'+' ? Qt::ShiftModifier : Qt::NoModifier;
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
        const QString text = line.section(u' ', 2);
        out += (at == tick ? QString() : u'@' + (tick = at) + u' ') +
               (text.startsWith("\"Sending tone [") ? text.mid(14).chopped(1)
                                                    : (what == ">" ? QString() : what) + text) +
               u' ';
    }
    return out.trimmed();
}

// Name | script | transcript. Kept from moc, which misreads the quotes of raw strings.
#ifndef Q_MOC_RUN
const char *const Sequences = R"(
every key left, one right, one middle | L1 L2 L3 L4 L5 L6 L7 L8 L9 L0 L* L# LA LB LC LD R# r# M# | [1] "$1" [2] "$2" [3] "$3" [4] "$4" [5] "$5" [6] "$6" [7] "$7" [8] "$8" [9] "$9" [0] "$0" [*] "$*" [#] "$#" [A] "$A" [B] "$B" [C] "$C" [D] "$D" [#] "%#" "%" [#] "#"
no device: the writes are skipped, Esc's too | R5 r5 L6 ^4 ^Esc | [5] [6] [4] status"Aborted.\r\n" @100 status"" @150 status"Ready"
held key repeats, marked or not; the last release with nothing after it | +5 *5 ~5 *5 -5 t1000 +5 t1500 -5 +5 t1540 -5 +5 t2600 -5 | "%5" [5] "%" "%5" [5] "%"
overlapping keys, releases in order | +1 +2 -2 -1 t3000 +1 t3010 +2 t3020 -2 t3030 -1 t3031 +1 t3040 -1 t0 ^E | "%1" [1] "%" "%" "%1" [1] "%" "%" "%1" [1] "%"
shift, other masks, no native data, a German hash key, numeric pad, letters | +Shift ^3 ^8 -Shift ^cs3 ^cs8 ^s1 ^0 ^9 ^ns3 ^ns1 ^# ^P0 ^P9 ^P* ^A ^sA ^D ^E ^Z | "%#" [#] "%" "%*" [*] "%" "%" "%3" [3] "%" "%8" [8] "%" "%1" [1] "%" "%0" [0] "%" "%9" [9] "%" "%#" [#] "%" "%1" [1] "%" "%0" [0] "%" "%9" [9] "%" "%A" [A] "%" "%A" [A] "%" "%D" [D] "%"
Esc never sends a tone, nor after a key tapped inside its Abort | (^5) +Esc | "\r\n" status"Aborted.\r\n" "%5" [5] "%" @100 status"" "%" @150 status"Ready"
Esc while a key is held, keys in a settings field | +5 +Esc -Esc -5 +5 field -5 ^7 ^0 ^3 ^Esc pad ^9 =703 | "%5" [5] "\r\n" status"Aborted.\r\n" @100 status"" "%" @150 status"Ready" "%5" [5] "\r\n" status"Aborted.\r\n" @250 status"" "%" @300 status"Ready" "%9" [9] "%")";
#endif

} // namespace

class KeypadTest : public QObject
{
    Q_OBJECT

private slots:
    void sequences_data() { addRows(Sequences); }
    void sequences()
    {
        QFETCH(QStringList, cells);
        PanelRig rig;
        if (QByteArray(QTest::currentDataTag()).startsWith("no device"))
            rig.boxes().answer(QMessageBox::Yes); // go on without a device
        else
            rig.addDevice(1);
        Zelvo &panel = rig.start();
        panel.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&panel));
        play(panel, QStringLiteral("pad"));
        rig.mark();
        play(panel, cells[0]);
        // A release may wait for a press that never comes: its stop follows later.
        QTRY_COMPARE(compact(rig.transcript()), cells[1]);
    }
};

QTEST_MAIN(KeypadTest)
#include "tst_keypad.moc"
