// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the device, the port menu, Quit and the end of the application, and
// the link's pauses and probe as they show on the wire.

#include "link/mscomm.h"
#include "play/multiplay.h"
#include "support/expected.h"

#include <QAction>
#include <QPushButton>
#include <QSerialPort>

#include <limits>

namespace {

struct SearchRow
{
    const char *kinds; // per port: 'D' the device, 's' silent, 'b' held elsewhere, 'x' none
    int answer;        // to "no device"
    QString state;     // the ports afterwards, as ports() gives them
};
struct MenuRow
{
    bool device; // Zelvors on COM1 and COM2
    int pick;    // COMn, 0 Quit, -1 the window frame
    int answer;  // to the question it asks
    QString state;
};
struct PauseRow
{
    int outer, inner, ticks; // a pause, one run inside it, the ticks taken
};

} // namespace

class SearchTest : public QObject
{
    Q_OBJECT

private slots:
    void search_data()
    {
        table<SearchRow>({{"COM2 after a missing COM1, COM4 untouched", {"xDxD", 0, "COM2 0100 2"}},
                          {"COM4 after silent and busy ports", {"ssbD", 0, "COM4 0001 4"}},
                          {"none, go on", {"xsbx", QMessageBox::Yes, "- 0000 1"}},
                          {"none, quit", {"sxxx", QMessageBox::No, "ended"}}});
    }
    void search()
    {
        const auto [kinds, answer, state] = fetch<SearchRow>();
        PanelRig rig;
        QSerialPort holder;
        for (int n = 1; n <= 4; ++n) {
            if (kinds[n - 1] != 'x')
                rig.addDevice(n).setFaults(kinds[n - 1] == 'D' ? zsim::Faults() : Silent);
            if (kinds[n - 1] == 'b') {
                holder.setPortName(QString::fromStdString(rig.device(n).portPath()));
                QVERIFY(holder.open(QIODevice::ReadWrite));
            }
        }
        if (answer)
            rig.boxes().answer(QMessageBox::StandardButton(answer));
        Zelvo &panel = rig.panel();
        panel.start();

        WireScript s;
        s.prompt("Looking for a Zelvo").probe('x');
        const int found = int(QByteArray(kinds).indexOf('D')) + 1;
        QStringList detail;
        for (int n = 1; n <= (found ? found : 4); ++n) {
            const char kind = kinds[n - 1];
            s.port = n == 1 ? QString() : QString::number(n);
            s.status("Trying COM Port # " + QByteArray::number(n)).probe(kind);
            const char *why = kind == 'x'   ? "does not exist"
                              : kind == 's' ? "no answer to the probe"
                                            : "busy, in use by another program";
            detail << QStringLiteral("COM%1 (%2): %3").arg(n).arg(panel.MSComm1->portPath(n), why);
        }
        if (found)
            s.found(zsim::factoryDefaults());
        else
            s.box(NoDevice);
        if (answer == QMessageBox::Yes)
            s.status("");
        COMPARE_TRANSCRIPT(rig, qPrintable(s.text));
        QCOMPARE(ports(panel), state);
        if (!found)
            QCOMPARE(rig.boxes().seen().first().detailedText, detail.join('\n'));
    }

    void menuAndQuit_data()
    {
        const int No = QMessageBox::No, Yes = QMessageBox::Yes;
        table<MenuRow>({{"COM2", {true, 2, 0, "COM2 0100 2"}},
                        {"COM1 again", {true, 1, 0, "COM1 1000 1"}},
                        {"missing COM4, Yes", {true, 4, Yes, "COM1 1000 1"}},
                        {"missing COM3, No", {true, 3, No, "ended"}},
                        {"missing COM1, Yes: COM1 fails too", {false, 1, Yes, "- 0000 1"}},
                        {"Quit, No", {true, 0, No, "COM1 1000 1"}},
                        {"Quit, Yes", {true, 0, Yes, "ended"}},
                        {"window frame", {true, -1, 0, "ended"}}});
    }
    void menuAndQuit()
    {
        const auto [device, pick, answer, state] = fetch<MenuRow>();
        PanelRig rig;
        for (int n = 1; n <= 2 && device; ++n)
            rig.addDevice(n);
        if (!device)
            rig.boxes().answer(QMessageBox::Yes); // go on without a device
        Zelvo &panel = rig.start();
        rig.boxes().answer(QMessageBox::StandardButton(answer));
        panel.multiPlay()->show();
        panel.Focused = kFalse;
        panel.Present = 7;
        const int before = rig.ticks();
        if (pick > 0)
            panel.portMenu().comItem(pick)->trigger();
        else if (pick < 0)
            panel.close();
        else
            panel.done->click();

        // The menu does not probe: nothing is written and Present stays.
        const QByteArray n = QByteArray::number(pick);
        WireScript s;
        if (pick == 0)
            s.box("Zelvor: Quit. Are you sure?");
        if (pick == 0 && answer == QMessageBox::Yes)
            s.status("Goodbye! Exiting Program.").wait(50);
        if (pick > 0)
            s.status("Setting Communications port to COM" + n);
        if (pick > 0 && !answer)
            s.wait(50).status("Ready");
        if (pick > 0 && answer) // only COM1 waits after the answer
            s.box("Zelvor: Error! COM" + n + " is not available. Do you wish to continue? ")
                .wait(pick == 1 ? 50 : 0);
        if (pick > 0 && answer == QMessageBox::Yes)
            s.status("Resetting to port # 1").wait(50).status("");
        COMPARE_TRANSCRIPT(rig, qPrintable(s.text));
        QCOMPARE(rig.ticks() - before, s.t);
        QCOMPARE(ports(panel), state);
        QCOMPARE(QList<int>({panel.multiPlay()->isVisible(), panel.Focused, panel.Present}),
                 QList<int>({!panel.hasEnded(), pick == 1 && !answer ? kTrue : kFalse, 7}));
    }

    void pause_data()
    {
        table<PauseRow>({{"0", {0, 0, 0}},
                         {"1", {1, 0, 1}},
                         {"20, with 5 inside", {20, 5, 20}},
                         {"20, with 30 inside", {20, 30, 30}}});
    }
    void pause()
    {
        // The counter is shared: the outer pause ends once its own count has
        // passed since the inner one began, or at once when that counted further.
        const auto [outer, inner, ticks] = fetch<PauseRow>();
        PanelRig rig;
        rig.boxes().answer(QMessageBox::Yes); // go on without a device
        Zelvo &panel = rig.start();
        int from = rig.ticks(), runs = 0;
        QTimer::singleShot(0, &panel, [&, inner = inner] {
            from = inner ? rig.ticks() : from;
            ++runs;
            panel.Pause(inner);
        });
        panel.timerVal = 77;
        panel.Pause(outer);
        QCOMPARE(QList<int>({rig.ticks() - from, panel.timerVal, runs}),
                 QList<int>({ticks, ticks, outer > 0}));
        panel.timerVal = std::numeric_limits<qint32>::max(); // and it stops at its limit
        panel.link().tick();
        QCOMPARE(panel.timerVal, std::numeric_limits<qint32>::max());
    }

    void probe() // a late reply is discarded; the answer is read whole, four characters a read
    {
        PanelRig rig;
        zsim::SimulatedDevice &device = rig.addDevice(1);
        Zelvo &panel = rig.start();
        device.setFaults(Silent);
        const QByteArray reply = QByteArray(2000, '#') + "Connect";
        rig.setTickHook([&, late = true]() mutable {
            if (std::exchange(late, false))
                device.inject("late reply");
            if (device.received() == "@" && device.quiescent()) {
                device.clearReceived();
                device.inject(reply.toStdString());
            }
        });
        panel.MSComm1->setInputLen(4);
        panel.Connect();
        WireScript s;
        s.status("Connecting").in("late reply").wait(10).out("@").in(reply);
        COMPARE_TRANSCRIPT(rig, qPrintable(s.wait(15).status("Connected").text));
        QCOMPARE(panel.Present, qint16(2001));
        QCOMPARE(panel.RtnString.toLatin1(), reply);
    }
};

QTEST_MAIN(SearchTest)
#include "tst_search.moc"
