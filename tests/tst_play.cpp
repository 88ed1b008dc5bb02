// Memory Play, Timed Play and Abort as one table: the operation, what the
// user does in its dialog, what happens at given ticks, and the events it
// must leave (writes and boxes always, other kinds when the row lists any).
// The device never says "Ready" by itself: rows send it at a given tick, so
// the poll's first read, which follows the digit at once, sees the same on
// every run.

#include "app/text.h"
#include "play/memorymode.h"
#include "play/singlemode.h"
#include "support/operationrows.h"

#include <QLineEdit>
#include <QTest>
#include <QWindow>

namespace {

// Dialog steps, separated by blanks: for Memory Play, text typed into the
// field; for Timed Play, tTEXT / dTEXT put into Tone / Duration ("_" is a
// blank); =TEXT compares Location / Duration; [ok] [cancel] [close] [esc]
// [enter] [tab] [lf] [bs]; [again] presses Timed Play once more.
void answer(Zelvo &panel, QDialog *dialog, const QString &steps)
{
    static const QMap<QString, Qt::Key> keys{{"[esc]", Qt::Key_Escape},
                                             {"[enter]", Qt::Key_Return},
                                             {"[tab]", Qt::Key_Tab},
                                             {"[bs]", Qt::Key_Backspace}};
    auto *memory = qobject_cast<MemoryMode *>(dialog);
    auto *single = qobject_cast<SingleMode *>(dialog);
    QWindow *window = dialog->windowHandle();
    for (QString step : steps.split(u' ', Qt::SkipEmptyParts)) {
        step.replace(u'_', u' ');
        if (keys.contains(step))
            QTest::keyClick(window, keys[step]);
        else if (step == QLatin1String("[ok]"))
            (memory ? memory->MemOK : single->OK)->click();
        else if (step == QLatin1String("[cancel]"))
            (memory ? memory->MemAbort : single->Cancel)->click();
        else if (step == QLatin1String("[close]"))
            dialog->close();
        else if (step == QLatin1String("[lf]"))
            QTest::sendKeyEvent(QTest::Click, window, Qt::Key_J, "\n", Qt::ControlModifier);
        else if (step == QLatin1String("[again]"))
            panel.Single->click();
        else if (step[0] == u'=')
            QCOMPARE((memory ? memory->Location : single->Duration)->text(), step.mid(1));
        else if (single)
            (step[0] == u't' ? single->Tone : single->Duration)->setText(step.mid(1));
        else
            for (const QChar c : step)
                QTest::keyClick(window, c.toLatin1());
    }
    // A dialog left open would keep the operation waiting for ever.
    if (numericValue(memory ? memory->Tag : single->Tag) == -1)
        dialog->reject();
}

// The Memory Play or Timed Play dialog when it shows.
QDialog *shownDialog(Zelvo &panel)
{
    QDialog *dialog = panel.memoryMode();
    dialog = dialog ? dialog : panel.singleMode();
    return dialog && dialog->isVisible() ? dialog : nullptr;
}

const char *TwoAborts = R"(0 > "\r\n" | 0 status "Aborted.\r\n" | 100 status "" | 100 > "%"
        150 status "Ready" | 150 > "\r\n" | 150 status "Aborted.\r\n" | 250 status ""
        250 > "%" | 300 status "Ready")";

} // namespace

class PlayTest : public QObject
{
    Q_OBJECT

private slots:
    void operations_data();
    void operations();
};

void PlayTest::operations_data()
{
    QTest::addColumn<QString>("operation"); // memory, timed or abort, in turn
    QTest::addColumn<QString>("steps");     // alternatives separated by "|", same events
    QTest::addColumn<QString>("events");    // silent, TICK:hangup|nomarkers|
                                            // inject:TEXT|abort|esc|com2
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const char *operation, const char *steps,
                        const char *events, const char *expected) {
        QTest::newRow(name) << operation << steps << events << expected;
    };

    row("memory, one location", "memory", "3 [ok]", "56:inject:Ready\r\n",
        R"(0 status "Memory Mode" | 0 status "Connecting" | 10 > "@" | 10 < "Connect\r\n"
        25 status "Connected" | 35 status "Sending string in location 3" | 35 > "M"
        35 < "MP\r\n" | 55 > "3\r\n" | 56 < "Ready\r\n" | 165 status "Ready")");
    row("memory, Enter on an empty field, then two", "memory", "[enter] 25 [enter]",
        "56:inject:Ready\r\n 121:inject:Ready\r\n",
        R"(0 box "Zelvor: Please enter a location" | 10 > "@" | 35 > "M" | 55 > "2\r\n"
        75 > "@" | 100 > "M" | 120 > "5\r\n")");
    row("memory, refused keys, eight at most", "memory", "07 8 a 123456 5 =07123456 [bs] 6 [ok]",
        "56:inject:Ready\r\n", R"(0 box "Zelvor: Only numbers 0 through 7 allowed."
        0 box "Zelvor: Only numbers 0 through 7 allowed." | 10 > "@" | 35 > "M"
        55 > "6\r\n")");
    row("memory, Cancel, frame or Esc", "memory", "12 [cancel]|12 [close]|[esc]", "",
        R"(0 status "Memory Mode" | 0 status "Cancelled.\r\n" | 100 status "Ready")");
    row("memory, no MP: no digit, no poll", "memory", "3 [ok]", "20:nomarkers",
        R"(10 > "@" | 10 < "Connect\r\n" | 35 > "M" | 35 < "\r\n")");
    row("memory, silent device", "memory", "3 [ok]", "silent", R"(10 > "@")");
    row("memory, Ready split across two reads", "memory", "2 [ok]",
        "57:inject:Rea 67:inject:dy\r\n",
        R"(10 > "@" | 10 < "Connect\r\n" | 35 > "M" | 35 < "MP\r\n" | 55 > "2\r\n"
        57 < "Rea" | 67 < "dy\r\n")");
    row("memory, Abort ends the poll and the play", "memory", "35 [ok]", "102:abort",
        R"(10 > "@" | 35 > "M" | 55 > "3\r\n" | 103 > "\r\n" | 203 > "%")");
    row("memory, hang-up during the poll", "memory", "56 [ok]", "80:hangup",
        R"(10 > "@" | 35 > "M" | 55 > "5\r\n" | 85 box "Zelvor: Error *")");
    row("memory, port changed during the poll", "memory", "44 [ok]", "60:com2 150:abort",
        R"(10 > "@" | 35 > "M" | 55 > "4\r\n" | 151 2> "\r\n" | 251 2> "%")");

    row("timed, 5 for 1000 ms", "timed", "t5 d1000 [ok]", "",
        R"(0 status "Time mode." | 10 status "Connecting" | 20 > "@" | 20 < "Connect\r\n"
        35 status "Connected" | 45 > "I" | 45 < "SM\r\n" | 65 > "5,1000\r"
        65 status "Sending tone 5\r\nPress the ABORT button to cancel." | 165 status "Ready")");
    row("timed, lower case", "timed", "ta d500 [ok]", "", "wire:@Ia,500\r");
    row("timed, shortest", "timed", "t# d20 [ok]", "", "wire:@I#,20\r");
    row("timed, longest", "timed", "t* d65535 [ok]", "", "wire:@I*,65535\r");
    row("timed, letters after the number", "timed", "tD d50abc [ok]", "", "wire:@ID,50abc\r");
    row("timed, a leading blank", "timed", "t0 d_300 [ok]", "", "wire:@I0, 300\r");
    row("timed, line feed accepts", "timed", "tB d40 [tab] [lf]", "", "wire:@IB,40\r");
    row("timed, pressed again while open", "timed", "[again] t3 d200 [ok]", "", "wire:@I3,200\r");
    row("timed, Enter refused, then accepted in Tone", "timed", "t7 d70000 [enter] d300 [enter]",
        "",
        R"(0 box "Zelvor: Time must be less than 65,535" | 20 > "@" | 45 > "I" | 65 > "7,300\r")");
    row("timed, refusals", "timed",
        "tE d1000 [ok] te [ok] t+ [ok] t_ [ok] t [ok] t1 d19 [ok] =20 d [ok] =20 d65536 [ok] "
        "=65536 d99999 [ok] tE d5 [ok] [cancel]",
        "", R"(0 box "Zelvor: Invalid tone: Please re-enter tone value" | 0 box "Zelvor: Inv*"
        0 box "Zelvor: Inv*" | 0 box "Zelvor: Inv*" | 0 box "Zelvor: Please enter a value for the tone"
        0 box "Zelvor: Time must be 20 milliseconds or greater." | 0 box "Zelvor: Time must be 2*"
        0 box "Zelvor: Time must be less than 65,535" | 0 box "Zelvor: Time must be l*"
        0 box "Zelvor: Time must be 2*")");
    row("timed, Cancel, frame or Esc", "timed", "t5 d1000 [cancel]|t5 d1000 [close]|[esc]", "",
        R"(0 status "Time mode." | 0 status "" | 0 status "Cancelled.\r\n" | 100 status "Ready")");
    row("timed, no SM: the tone is still told", "timed", "t5 d1000 [ok]", "30:nomarkers",
        R"(0 status "Time mode." | 10 status "Connecting" | 20 > "@" | 35 status "Connected"
        45 > "I" | 65 status "Sending tone 5\r\nPress the ABORT button to cancel."
        165 status "Ready")");
    row("timed, silent device", "timed", "t5 d1000 [ok]", "silent", R"(20 > "@")");
    row("timed, hang-up before the SM is read", "timed", "t5 d1000 [ok]", "50:hangup",
        R"(20 > "@" | 45 > "I" | 65 box "Zelvor: Error *")");

    row("abort twice", "abort abort", "", "", TwoAborts);
    row("abort, a click and Esc during it are ignored", "abort abort", "", "50:abort 60:esc",
        TwoAborts);
}

void PlayTest::operations()
{
    QFETCH(QString, operation);
    QFETCH(QString, steps);
    QFETCH(QString, events);
    QFETCH(QString, expected);
    for (const QString &alternative : steps.split(u'|')) {
        PanelRig rig;
        startWithDevices(rig, events);
        Zelvo &panel = rig.panel();
        actAtTicks(rig, events);
        for (const QString &step : operation.split(u' ')) {
            whenShown(
                &panel, [&] { return shownDialog(panel); },
                [&] { answer(panel, shownDialog(panel), alternative); });
            (step == QLatin1String("abort")    ? panel.Abort
             : step == QLatin1String("memory") ? panel.Memory
                                               : panel.Single)
                ->click();
        }
        compareEvents(rig, expected);
        QVERIFY(panel.Memory->isEnabled());
        if (QTest::currentTestFailed() || !lineBack(rig))
            continue;
        whenShown(
            &panel, [&] { return shownDialog(panel); },
            [&] { answer(panel, shownDialog(panel), QStringLiteral("6 [ok]")); });
        panel.Memory->click();
        compareEvents(rig, QStringLiteral("wire:@M6\r\n")); // the next play goes through
    }
}

QTEST_MAIN(PlayTest)
#include "tst_play.moc"
