// Finding the device, the port menu, Quit and the end of the application, and
// the link's waits, discards and probe as they show on the wire.

#include "app/statusbox.h"
#include "link/mscomm.h"
#include "play/multiplay.h"
#include "support/panelrig.h"
#include "support/wirescript.h"

#include <QAction>
#include <QPushButton>
#include <QSerialPort>
#include <QTest>

#include <limits>

namespace {

const QByteArray NoDevice = "Zelvor: Error! No open Comm Ports or Zelvo found.\r\n Do you wish to "
                            "continue?";

zsim::Faults silent()
{
    zsim::Faults faults;
    faults.silent = true;
    return faults;
}

// The check marks of COM1 to COM4, "0100" for COM2.
QString checks(Zelvo &panel)
{
    QString marks;
    for (int port = 1; port <= 4; ++port)
        marks += panel.comItem(port)->isChecked() ? QLatin1Char('1') : QLatin1Char('0');
    return marks;
}

// A panel that went on without a device at start-up.
Zelvo &startAlone(PanelRig &rig)
{
    rig.boxes().answer(QMessageBox::Yes);
    return rig.start();
}

} // namespace

class SearchTest : public QObject
{
    Q_OBJECT

private slots:
    void search_data();
    void search();
    void portMenu_data();
    void portMenu();
    void quit_data();
    void quit();
    void pause_data();
    void pause();
    void probe_data();
    void probe();
    void readsUntilAPassFindsNothing();
};

// Ports: 'D' the device, 's' a silent device, 'b' a device another program
// holds, 'x' no device file at all.
void SearchTest::search_data()
{
    QTest::addColumn<QByteArray>("ports");
    QTest::addColumn<int>("answer");
    QTest::newRow("COM1") << QByteArray("Dxxx") << 0;
    QTest::newRow("COM2 after a missing COM1, COM4 untouched") << QByteArray("xDxD") << 0;
    QTest::newRow("COM3 after silent ports") << QByteArray("ssDD") << 0;
    QTest::newRow("COM4 after a busy port") << QByteArray("xsbD") << 0;
    QTest::newRow("none, go on") << QByteArray("xsbx") << int(QMessageBox::Yes);
    QTest::newRow("none, quit") << QByteArray("sxxx") << int(QMessageBox::No);
}

void SearchTest::search()
{
    QFETCH(QByteArray, ports);
    QFETCH(int, answer);
    PanelRig rig;
    QSerialPort holder;
    for (int n = 1; n <= 4; ++n) {
        if (ports[n - 1] != 'x')
            rig.addDevice(n).setFaults(ports[n - 1] == 'D' ? zsim::Faults() : silent());
        if (ports[n - 1] == 'b') {
            holder.setPortName(QString::fromStdString(rig.device(n).portPath()));
            QVERIFY(holder.open(QIODevice::ReadWrite));
        }
    }
    if (answer)
        rig.boxes().answer(QMessageBox::StandardButton(answer));
    Zelvo &panel = rig.panel();
    panel.start();

    WireScript s;
    s.prompt("Looking for a Zelvo").status("Connecting").wait(25);
    const int found = int(ports.indexOf('D')) + 1;
    QStringList detail;
    for (int n = 1; n <= (found ? found : 4); ++n) {
        const char kind = ports[n - 1];
        s.port = n == 1 ? QString() : QString::number(n);
        s.status("Trying COM Port # " + QByteArray::number(n));
        if (kind == 'x' || kind == 'b')
            s.status("Connecting").wait(25);
        else
            s.probe(kind == 'D');
        const QString path = panel.MSComm1->portPath(n);
        detail << (kind == 'x'   ? QStringLiteral("COM%1 (%2): does not exist")
                   : kind == 's' ? QStringLiteral("COM%1 (%2): no answer to the probe")
                                 : QStringLiteral("COM%1 (%2): busy, in use by another program"))
                      .arg(n)
                      .arg(path);
    }
    if (found)
        s.found().read(zsim::factoryDefaults());
    else
        s.box(NoDevice);
    if (answer == QMessageBox::Yes)
        s.status("");
    COMPARE_TRANSCRIPT(rig, qPrintable(s.text));

    QCOMPARE(panel.hasEnded(), answer == QMessageBox::No);
    QCOMPARE(panel.isVisible(), answer != QMessageBox::No);
    QCOMPARE(panel.MSComm1->portOpen(), found > 0);
    QCOMPARE(panel.CPort, qint16(found ? found : 1));
    QString marks(4, QLatin1Char('0'));
    if (found)
        marks[found - 1] = QLatin1Char('1');
    QCOMPARE(checks(panel), marks);
    if (found) {
        QCOMPARE(panel.MSComm1->commPort(), found);
        return;
    }
    const BoxAnswerer::Seen &question = rig.boxes().seen().first();
    QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(question.icon, QMessageBox::NoIcon);
    QCOMPARE(question.detailedText, detail.join(QLatin1Char('\n')));
    QCOMPARE(panel.Focused, kTrue);
}

void SearchTest::portMenu_data()
{
    QTest::addColumn<bool>("device");
    QTest::addColumn<int>("pick");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("port");       // the port open afterwards, 0 none
    QTest::addColumn<QString>("checked"); // the check marks afterwards, "" when ended
    QTest::addColumn<int>("ticks");
    QTest::addColumn<qint16>("focused");
    const QString com1 = R"(0 status "Setting Communications port to COM1"
        0 box "Zelvor: Error! COM1 is not available. Do you wish to continue? ")";
    QTest::newRow("COM2") << true << 2 << 0
                          << R"(0 status "Setting Communications port to COM2"
                                50 status "Ready")"
                          << 2 << "0100" << 50 << kFalse;
    QTest::newRow("COM1 again") << true << 1 << 0
                                << R"(0 status "Setting Communications port to COM1"
                                      50 status "Ready")"
                                << 1 << "1000" << 50 << kTrue;
    QTest::newRow("COM4 without a device") << false << 4 << 0
                                           << R"(0 status "Setting Communications port to COM4"
                                                 50 status "Ready")"
                                           << 4 << "0001" << 50 << kFalse;
    QTest::newRow("missing COM3, Yes")
        << true << 3 << int(QMessageBox::Yes) << R"(0 status "Setting Communications port to COM3"
            0 box "Zelvor: Error! COM3 is not available. Do you wish to continue? "
            0 status "Resetting to port # 1"
            50 status "")"
        << 1 << "1000" << 50 << kFalse;
    QTest::newRow("missing COM3, No")
        << true << 3 << int(QMessageBox::No) << R"(0 status "Setting Communications port to COM3"
            0 box "Zelvor: Error! COM3 is not available. Do you wish to continue? ")"
        << 0 << "" << 0 << kFalse;
    // COM1 waits 50 ticks after the answer; then COM1 cannot be reopened either.
    QTest::newRow("missing COM1, Yes") << false << 1 << int(QMessageBox::Yes)
                                       << com1 + R"(
                                             50 status "Resetting to port # 1"
                                             100 status "")"
                                       << 0 << "0000" << 100 << kFalse;
    QTest::newRow("missing COM1, No")
        << false << 1 << int(QMessageBox::No) << com1 << 0 << "" << 50 << kFalse;
}

void SearchTest::portMenu()
{
    QFETCH(bool, device);
    QFETCH(int, pick);
    QFETCH(int, answer);
    QFETCH(QString, expected);
    QFETCH(int, port);
    QFETCH(QString, checked);
    QFETCH(int, ticks);
    QFETCH(qint16, focused);
    PanelRig rig;
    if (device) {
        rig.addDevice(1);
        rig.addDevice(2);
    }
    rig.addDevice(4).setFaults(silent()); // a port without a Zelvor
    Zelvo &panel = device ? rig.start() : startAlone(rig);
    if (answer)
        rig.boxes().answer(QMessageBox::StandardButton(answer));
    panel.Focused = kFalse;
    panel.Present = 7;
    const int before = rig.ticks();
    panel.comItem(pick)->trigger();

    COMPARE_TRANSCRIPT(rig, qPrintable(expected));
    QCOMPARE(rig.ticks() - before, ticks);
    QCOMPARE(panel.hasEnded(), checked.isEmpty());
    QCOMPARE(panel.MSComm1->portOpen(), port > 0);
    if (port)
        QCOMPARE(panel.MSComm1->commPort(), port);
    if (checked.isEmpty())
        return;
    QCOMPARE(checks(panel), checked);
    QCOMPARE(panel.CPort, qint16(port ? port : 1));
    QCOMPARE(panel.Focused, focused);
    QCOMPARE(panel.Present, qint16(7));
}

void SearchTest::quit_data()
{
    QTest::addColumn<int>("answer"); // 0: the window is closed through its frame
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("ticks");
    QTest::newRow("No") << int(QMessageBox::No) << R"(0 box "Zelvor: Quit. Are you sure?")" << 0;
    QTest::newRow("Yes") << int(QMessageBox::Yes) << R"(0 box "Zelvor: Quit. Are you sure?"
                                                        0 status "Goodbye! Exiting Program.")"
                         << 50;
    QTest::newRow("frame") << 0 << QString() << 0;
}

void SearchTest::quit()
{
    QFETCH(int, answer);
    QFETCH(QString, expected);
    QFETCH(int, ticks);
    PanelRig rig;
    rig.addDevice(1);
    Zelvo &panel = rig.start();
    panel.multiPlay()->show();
    const int before = rig.ticks();
    if (answer) {
        rig.boxes().answer(QMessageBox::StandardButton(answer));
        panel.done->click();
    } else {
        panel.close();
    }
    COMPARE_TRANSCRIPT(rig, qPrintable(expected));
    QCOMPARE(rig.ticks() - before, ticks);
    const bool ends = answer != QMessageBox::No;
    QCOMPARE(rig.endings(), ends ? 1 : 0);
    QCOMPARE(panel.MSComm1->portOpen(), !ends);
    QCOMPARE(panel.multiPlay()->isVisible(), !ends);
    QCOMPARE(panel.StatusBox->text(),
             QString(ends && answer ? "Goodbye! Exiting Program." : "Ready"));
    if (ends) { // nothing runs any more
        panel.UpdateButton->click();
        COMPARE_TRANSCRIPT(rig, qPrintable(expected));
    }
}

void SearchTest::pause_data()
{
    QTest::addColumn<int>("outer");
    QTest::addColumn<int>("inner"); // a pause started inside the outer one, 0 none
    QTest::addColumn<int>("ticks");
    QTest::newRow("0") << 0 << 0 << 0;
    QTest::newRow("-5") << -5 << 0 << 0;
    QTest::newRow("1") << 1 << 0 << 1;
    QTest::newRow("outer 20, inner 5") << 20 << 5 << 20;
    QTest::newRow("outer 20, inner 30") << 20 << 30 << 30;
}

void SearchTest::pause()
{
    QFETCH(int, outer);
    QFETCH(int, inner);
    QFETCH(int, ticks);
    PanelRig rig;
    Zelvo &panel = startAlone(rig);
    bool dispatched = false;
    int from = rig.ticks();
    QTimer::singleShot(0, &panel, [&] {
        dispatched = true;
        if (inner) {
            from = rig.ticks();
            panel.Pause(inner);
        }
    });
    panel.timerVal = 77;
    panel.Pause(outer);
    // The outer pause shares the counter: it ends once its own count has
    // passed since the inner one began, or at once when that counted further.
    QCOMPARE(rig.ticks() - from, ticks);
    QCOMPARE(dispatched, outer > 0);
    QCOMPARE(panel.timerVal, ticks);

    const auto gate = panel.tickGate();
    panel.setTickGate({});
    panel.timerVal = std::numeric_limits<qint32>::max();
    panel.Timer1_Timer(); // the counter stops at its limit
    panel.setTickGate(gate);
    QCOMPARE(panel.timerVal, std::numeric_limits<qint32>::max());
}

void SearchTest::probe_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("present");
    QTest::newRow("closed port") << false << QByteArray() << 0;
    QTest::newRow("answer") << true << QByteArray("Connect\r\n") << 1;
    QTest::newRow("two characters before") << true << QByteArray("xyConnect") << 3;
    QTest::newRow("lower case") << true << QByteArray("connect\r\n") << 0;
    QTest::newRow("past 2000 of noise") << true << QByteArray(2000, '#') + "Connect" << 2001;
}

void SearchTest::probe()
{
    QFETCH(bool, open);
    QFETCH(QByteArray, reply);
    QFETCH(int, present);
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    if (!open)
        device.setFaults(silent());
    Zelvo &panel = open ? rig.start() : startAlone(rig);
    device.setFaults(silent());
    rig.setTickHook([&] {
        if (device.received() == "@") {
            device.clearReceived();
            device.inject(reply.toStdString());
        }
    });
    panel.Present = 5;
    panel.Connect();

    WireScript s;
    s.status("Connecting").wait(10);
    if (open)
        s.out("@").in(reply);
    s.wait(15);
    if (present)
        s.status("Connected");
    COMPARE_TRANSCRIPT(rig, qPrintable(s.text));
    QCOMPARE(panel.Present, qint16(present));
    QCOMPARE(panel.RtnString.toLatin1(), reply);
}

void SearchTest::readsUntilAPassFindsNothing()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = rig.start();
    panel.MSComm1->setInputLen(4); // one read takes four characters at most

    // A reply three ticks into the discard is drained, however long.
    const int start = rig.ticks();
    bool sent = false;
    rig.setTickHook([&] {
        if (rig.ticks() - start == 3 && !std::exchange(sent, true))
            device.inject("Connect\r\nlate reply");
    });
    panel.ClearBuffer();
    QCOMPARE(rig.ticks() - start, 10);
    panel.ReadBuffer();
    QCOMPARE(panel.RtnString, QString());

    panel.MSComm1->output(QStringLiteral("@"));
    panel.Pause(15);
    panel.ReadBuffer();
    QCOMPARE(panel.RtnString, QStringLiteral("Connect\r\n"));
    COMPARE_TRANSCRIPT(rig, R"(3 < "Connect\r\nlate reply"
                               10 > "@"
                               10 < "Connect\r\n")");
}

QTEST_MAIN(SearchTest)
#include "tst_search.moc"
