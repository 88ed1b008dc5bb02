// SPDX-License-Identifier: GPL-3.0-or-later
// Memory Play, Timed Play and Abort: operations in turn, what happens at given
// ticks, and the events left (writes and boxes, other kinds a row lists). The
// device says "Ready" only at a row's tick, so the poll sees the same each run.

#include "support/operationrows.h"

namespace {

// A row: operations split at ";", alternatives leaving the same events at "|"
// (tests/README.md).
struct Row
{
    const char *name, *steps, *events, *expected;
};

const Row rows[] = {
    {"memory 3, then timed 5 for 1000 ms", "memory 3 [ok]; timed t5 d1000 [ok]",
     "56:inject:Ready\r\n",
     R"(0 status "Memory Mode" | 0 status "Connecting" | 10 > "@" | 10 < "Connect\r\n"
        25 status "Connected" | 35 status "Sending string in location 3" | 35 > "M" | 35 < "MP\r\n"
        55 > "3\r\n" | 56 < "Ready\r\n" | 165 status "Ready" | 165 status "Time mode."
        175 status "Connecting" | 185 > "@" | 185 < "Connect\r\n" | 200 status "Connected"
        210 > "I" | 210 < "SM\r\n" | 230 > "5,1000\r"
        230 status "Sending tone 5\r\nPress the ABORT button to cancel." | 330 status "Ready")"},
    {"memory, Enter on an empty field, refused keys, eight at most, then two",
     "memory [enter] 07 8 a 123456 5 =07123456 [bs] 25 [enter]",
     "56:inject:Ready\r\n 121:inject:Ready\r\n",
     R"(0 box "Zelvor: Please enter a location" | 0 box "Zelvor: Only numbers 0 through 7 allowed."
        0 box "Zelvor: Only numbers 0 through 7 allowed." | 10 > "@" | 35 > "M" | 55 > "2\r\n"
        75 > "@" | 100 > "M" | 120 > "5\r\n")"},
    {"Cancel, frame or Esc",
     "memory 12 [cancel]; timed t5 d1000 [cancel]|memory 12 [close]; timed t5 d1000 [close]|"
     "memory [esc]; timed [esc]",
     "", R"(0 status "Memory Mode" | 0 status "Cancelled.\r\n" | 100 status "Ready"
        100 status "Time mode." | 100 status "" | 100 status "Cancelled.\r\n" | 200 status "Ready")"},
    {"memory, lower-case mp: no digit, no poll", "memory 3 [ok]", "20:lowercase",
     R"(10 > "@" | 10 < "Connect\r\n" | 35 > "M" | 35 < "mp\r\n")"},
    {"silent device, memory then timed", "memory 3 [ok]; timed t5 d1000 [ok]", "silent",
     R"(10 > "@" | 155 > "@")"},
    {"memory, Ready split across two reads", "memory 2 [ok]", "57:inject:Rea 67:inject:dy\r\n",
     R"(10 > "@" | 10 < "Connect\r\n" | 35 > "M" | 35 < "MP\r\n" | 55 > "2\r\n"
        57 < "Rea" | 67 < "dy\r\n")"},
    {"memory, Abort ends the poll and the play", "memory 35 [ok]",
     "102:abort 150:inject:Ready\r\n 1000:inject:Ready\r\n", // a poll left on plays 5 next
     R"(10 > "@" | 35 > "M" | 55 > "3\r\n" | 103 > "\r\n" | 203 > "%")"},
    {"memory, hang-up during the poll", "memory 56 [ok]", "80:hangup",
     R"(10 > "@" | 35 > "M" | 55 > "5\r\n"
        85 box "Zelvor: Error  5\r\nThe connection to the device was lost; the port has been closed")"},
    {"memory, port changed during the poll", "memory 44 [ok]", "60:com2 150:abort",
     R"(10 > "@" | 35 > "M" | 55 > "4\r\n" | 151 2> "\r\n" | 251 2> "%")"},
    {"timed, sent as typed",
     "timed ta d500 [ok]; timed t# d20 [ok]; timed t* d65535 [ok]; timed tD d50abc [ok]; "
     "timed t0 d_300 [ok]; timed tB d40 [tab] [lf]; timed [again] t3 d200 [ok]; "
     "timed t7 d70000 [enter] d300 [enter]",
     "", "wire:@Ia,500\r@I#,20\r@I*,65535\r@ID,50abc\r@I0, 300\r@IB,40\r@I3,200\r@I7,300\r"},
    {"timed, refusals",
     "timed tE d1000 [ok] te [ok] t+ [ok] t_ [ok] t [ok] t1 d19 [ok] =20 d [ok] =20 d65536 "
     "[ok] =65536 tE d5 [ok] [cancel]",
     "", R"(0 box "Zelvor: Invalid tone: Please re-enter tone value"
        0 box "Zelvor: Invalid tone: Please re-enter tone value"
        0 box "Zelvor: Invalid tone: Please re-enter tone value"
        0 box "Zelvor: Invalid tone: Please re-enter tone value" | 0 box "Zelvor: Please enter a value for the tone"
        0 box "Zelvor: Time must be 20 milliseconds or greater." | 0 box "Zelvor: Time must be 20 milliseconds or greater."
        0 box "Zelvor: Time must be less than 65,535" | 0 box "Zelvor: Time must be 20 milliseconds or greater.")"},
    {"timed, lower-case sm: the tone is still told", "timed t5 d1000 [ok]", "30:lowercase",
     R"(0 status "Time mode." | 10 status "Connecting" | 20 > "@" | 35 status "Connected"
        45 > "I" | 65 status "Sending tone 5\r\nPress the ABORT button to cancel."
        165 status "Ready")"},
    {"timed, hang-up before the SM is read", "timed t5 d1000 [ok]", "50:hangup",
     R"(20 > "@" | 45 > "I"
        65 box "Zelvor: Error  5\r\nThe connection to the device was lost; the port has been closed")"},
    {"abort twice, a click and Esc during it ignored", "abort; abort", "50:abort 60:esc",
     R"(0 > "\r\n" | 0 status "Aborted.\r\n" | 100 status "" | 100 > "%" | 150 status "Ready"
        150 > "\r\n" | 150 status "Aborted.\r\n" | 250 status "" | 250 > "%" | 300 status "Ready")"},
    {"abort on a closed port: no write, no error", "abort", "closed",
     R"(0 status "Aborted.\r\n" | 100 status "" | 150 status "Ready")"},
};

} // namespace

class PlayTest : public QObject
{
    Q_OBJECT

private slots:
    void operations_data() { indexRows(rows); }

    void operations()
    {
        QFETCH(int, row);
        for (const QString &alternative : QString(rows[row].steps).split(u'|')) {
            PanelRig rig;
            Zelvo &panel = startRow(rig, rows[row].events);
            runPlays(panel, alternative);
            compareEvents(rig, rows[row].expected);
            QVERIFY(panel.plays()->Memory->isEnabled());
            lineBack(
                rig, [&] { runPlays(panel, QStringLiteral("memory 6 [ok]")); }, "@M6\r\n");
        }
    }

    void abortInsideAbortEndsTheReadyPoll()
    {
        PanelRig rig;
        Zelvo &panel = startRow(rig, "");
        PlayPanel &plays = *panel.plays();
        // A memory play started inside an Abort's wait; a second Abort in its poll.
        QTimer::singleShot(0, &panel, [&] { runPlays(panel, QStringLiteral("memory 3 [ok]")); });
        rig.setTickHook([&, second = -1]() mutable {
            if (second < 0 && rig.wire(1).endsWith("3\r\n")) {
                second = rig.ticks();
                QVERIFY(!plays.Memory->isEnabled()); // no second memory play meanwhile
                QTimer::singleShot(0, plays.Abort, &QPushButton::click);
            } else if (second >= 0 && rig.ticks() == second + 5000) { // the poll never ended
                QTimer::singleShot(0, &panel,
                                   [&] { panel.handle([&] { panel.Form_Terminate(); }); });
            }
        });
        plays.Abort->click();
        QCOMPARE(rig.endings(), 0);
        QVERIFY(plays.Memory->isEnabled());
        compareEvents(rig, "wire:\r\n@M3\r\n%");
    }
};

QTEST_MAIN(PlayTest)
#include "tst_play.moc"
