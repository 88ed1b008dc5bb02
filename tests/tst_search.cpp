// Finding the device, the port menu, Quit and the end of the application, and
// the link's waits, discards and probe as they show on the wire.

#include "link/mscomm.h"
#include "play/multiplay.h"
#include "support/expected.h"

#include <QAction>
#include <QPushButton>
#include <QSerialPort>

#include <limits>
#include <tuple>

namespace {

// The check marks of COM1 to COM4, "0100" for COM2.
QString checks(Zelvo &panel)
{
    QString marks;
    for (int port = 1; port <= 4; ++port)
        marks += panel.comItem(port)->isChecked() ? '1' : '0';
    return marks;
}

// Ports: 'D' the device, 's' a silent device, 'b' a device another program holds, 'x' none.
using SearchRow = std::tuple<const char *, int>;
// A Zelvor on COM1, the pick (COMn, 0 Quit, -1 the window frame), its answer, the port
// open afterwards (0 none), the check marks ("" once the application has ended).
using MenuRow = std::tuple<bool, int, int, int, const char *>;
using PauseRow = std::tuple<int, int, int>; // a pause, one run inside it, the ticks taken
using ProbeRow = std::tuple<bool, QByteArray, int>;

} // namespace

class SearchTest : public QObject
{
    Q_OBJECT

private slots:
    void search_data()
    {
        table<SearchRow>({{"COM1", {"Dxxx", 0}},
                          {"COM2 after a missing COM1, COM4 untouched", {"xDxD", 0}},
                          {"COM3 after silent ports", {"ssDD", 0}},
                          {"COM4 after a busy port", {"xsbD", 0}},
                          {"none, go on", {"xsbx", QMessageBox::Yes}},
                          {"none, quit", {"sxxx", QMessageBox::No}}});
    }
    void search()
    {
        const auto [ports, answer] = fetch<SearchRow>();
        PanelRig rig;
        QSerialPort holder;
        for (int n = 1; n <= 4; ++n) {
            const char kind = ports[n - 1];
            if (kind != 'x')
                rig.addDevice(n).setFaults(kind == 'D' ? zsim::Faults() : silent());
            if (kind == 'b') {
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
        const int found = int(QByteArray(ports).indexOf('D')) + 1;
        QStringList detail;
        for (int n = 1; n <= (found ? found : 4); ++n) {
            const char kind = ports[n - 1];
            s.port = n == 1 ? QString() : QString::number(n);
            s.status("Trying COM Port # " + QByteArray::number(n));
            s.probe(kind);
            const char *why = kind == 'x'   ? "does not exist"
                              : kind == 's' ? "no answer to the probe"
                                            : "busy, in use by another program";
            detail << QStringLiteral("COM%1 (%2): %3").arg(n).arg(panel.MSComm1->portPath(n), why);
        }
        if (found)
            s.found().read(zsim::factoryDefaults());
        else
            s.box(NoDevice);
        if (answer == QMessageBox::Yes)
            s.status("");
        COMPARE_TRANSCRIPT(rig, qPrintable(s.text));

        QCOMPARE(panel.isVisible(), answer != QMessageBox::No);
        QCOMPARE(panel.MSComm1->portOpen(), found > 0);
        QCOMPARE(panel.CPort, qint16(found ? found : 1));
        QCOMPARE(checks(panel), found ? QString("0000").replace(found - 1, 1, "1") : "0000");
        if (found)
            QCOMPARE(panel.MSComm1->commPort(), found);
        else
            QCOMPARE(rig.boxes().seen().first().detailedText, detail.join('\n'));
    }

    void menuAndQuit_data()
    {
        const int No = QMessageBox::No, Yes = QMessageBox::Yes;
        table<MenuRow>({{"COM2", {true, 2, 0, 2, "0100"}},
                        {"COM1 again", {true, 1, 0, 1, "1000"}},
                        {"COM3 without a Zelvor", {false, 3, 0, 3, "0010"}},
                        {"missing COM4, Yes", {true, 4, Yes, 1, "1000"}},
                        {"missing COM3, No", {true, 3, No, 0, ""}},
                        {"missing COM2, Yes: COM1 fails too", {false, 2, Yes, 0, "0000"}},
                        {"missing COM1, Yes: COM1 fails too", {false, 1, Yes, 0, "0000"}},
                        {"missing COM1, No", {false, 1, No, 0, ""}},
                        {"Quit, No", {true, 0, No, 1, "1000"}},
                        {"Quit, Yes", {true, 0, Yes, 0, ""}},
                        {"window frame", {true, -1, 0, 0, ""}}});
    }
    void menuAndQuit()
    {
        const auto [device, pick, answer, port, marks] = fetch<MenuRow>();
        PanelRig rig;
        if (device) {
            rig.addDevice(1);
            rig.addDevice(2);
        } else {
            rig.addDevice(3).setFaults(silent()); // a port without a Zelvor
        }
        Zelvo &panel = device ? rig.start() : startAlone(rig);
        rig.boxes().answer(QMessageBox::StandardButton(answer));
        panel.multiPlay()->show();
        panel.Focused = kFalse;
        panel.Present = 7;
        const int before = rig.ticks();
        if (pick > 0)
            panel.comItem(pick)->trigger();
        else
            pick ? void(panel.close()) : panel.done->click();

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
        if (pick > 0 && answer)
            s.box("Zelvor: Error! COM" + n + " is not available. Do you wish to continue? ");
        if (pick == 1 && answer) // only COM1 waits after the answer
            s.wait(50);
        if (pick > 0 && answer == QMessageBox::Yes)
            s.status("Resetting to port # 1").wait(50).status("");
        COMPARE_TRANSCRIPT(rig, qPrintable(s.text));
        QCOMPARE(rig.ticks() - before, s.t);
        QCOMPARE(panel.hasEnded(), !*marks);
        QCOMPARE(panel.multiPlay()->isVisible(), !panel.hasEnded());
        QCOMPARE(panel.MSComm1->portOpen(), port > 0);
        if (port)
            QCOMPARE(panel.MSComm1->commPort(), port);
        if (panel.hasEnded()) { // nothing runs any more
            panel.UpdateButton->click();
            COMPARE_TRANSCRIPT(rig, qPrintable(s.text));
            return;
        }
        QCOMPARE(checks(panel), QString(marks));
        QCOMPARE(panel.CPort, qint16(port ? port : 1));
        QCOMPARE(panel.Focused, pick == 1 && !answer ? kTrue : kFalse);
        QCOMPARE(panel.Present, qint16(7));
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
        const auto [outer, inner, ticks] = fetch<PauseRow>();
        PanelRig rig;
        Zelvo &panel = startAlone(rig);
        bool dispatched = false;
        int from = rig.ticks();
        QTimer::singleShot(0, &panel, [&, inner = inner] {
            dispatched = true;
            from = inner ? rig.ticks() : from;
            panel.Pause(inner);
        });
        panel.timerVal = 77;
        panel.Pause(outer);
        // The counter is shared: the outer pause ends once its own count has
        // passed since the inner one began, or at once when that counted further.
        QCOMPARE(rig.ticks() - from, ticks);
        QCOMPARE(panel.timerVal, ticks);
        QCOMPARE(dispatched, outer > 0);

        const auto gate = panel.tickGate();
        panel.setTickGate({});
        panel.timerVal = std::numeric_limits<qint32>::max();
        panel.Timer1_Timer(); // the counter stops at its limit
        panel.setTickGate(gate);
        QCOMPARE(panel.timerVal, std::numeric_limits<qint32>::max());
    }

    void probe_data()
    {
        table<ProbeRow>({{"closed port", {false, "", 0}},
                         {"answer", {true, "Connect\r\n", 1}},
                         {"two characters before", {true, "xyConnect", 3}},
                         {"lower case", {true, "connect\r\n", 0}},
                         {"after 2000 of noise", {true, QByteArray(2000, '#') + "Connect", 2001}}});
    }
    void probe()
    {
        const auto [open, reply, present] = fetch<ProbeRow>();
        PanelRig rig;
        zsim::SimulatedDevice &device = rig.addDevice(1);
        device.setFaults(open ? zsim::Faults() : silent());
        Zelvo &panel = open ? rig.start() : startAlone(rig);
        device.setFaults(silent());
        // A late reply arrives inside the discard; one read takes four characters at most.
        rig.setTickHook([&, late = true, reply = reply]() mutable {
            if (std::exchange(late, false))
                device.inject("late reply");
            if (device.received() == "@" && device.quiescent()) {
                device.clearReceived();
                device.inject(reply.toStdString());
            }
        });
        panel.MSComm1->setInputLen(4);
        panel.Present = 5;
        panel.Connect();

        WireScript s;
        s.status("Connecting").in("late reply").wait(10);
        if (open)
            s.out("@").in(reply);
        s.wait(15);
        if (present)
            s.status("Connected");
        COMPARE_TRANSCRIPT(rig, qPrintable(s.text));
        QCOMPARE(panel.Present, qint16(present));
        QCOMPARE(panel.RtnString.toLatin1(), reply);
    }
};

QTEST_MAIN(SearchTest)
#include "tst_search.moc"
