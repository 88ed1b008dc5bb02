// The device link: pauses, reading, discarding, the probe and the port
// control, against simulated devices on pseudo-terminals.

#include "app/statusbox.h"
#include "link/mscomm.h"
#include "support/panelrig.h"

#include <QTest>
#include <QTimer>

#include <cerrno>
#include <limits>

namespace {

// A panel that is already linked to the device on COM1.
Zelvo &startOnCom1(PanelRig &rig)
{
    Zelvo &panel = rig.start();
    rig.clearWire();
    rig.clearTexts();
    return panel;
}

} // namespace

class LinkTest : public QObject
{
    Q_OBJECT

private slots:
    void pausesBelowOneReturnAtOnce();
    void pauseDispatchesEvents();
    void nestedPausesShareTheCounter();
    void counterStopsAtItsLimit();
    void readBufferTakesWhatHasArrived();
    void replyArrivingInPiecesIsKeptInOrder();
    void probePositionAndLetterCase();
    void clearBufferDiscardsALateReply();
    void connectOnAClosedPort();
    void portControlFailures();
    void droppedLineClosesThePort();
};

void LinkTest::pausesBelowOneReturnAtOnce()
{
    PanelRig rig;
    rig.boxes().answer(QMessageBox::Yes);
    Zelvo &panel = rig.start();
    for (qint32 time : {0, -5}) {
        bool dispatched = false;
        QTimer::singleShot(0, &panel, [&] { dispatched = true; });
        panel.timerVal = 77;
        panel.Pause(time);
        QCOMPARE(panel.timerVal, 0);
        QVERIFY(!dispatched);
        QTRY_VERIFY(dispatched);
    }
}

void LinkTest::pauseDispatchesEvents()
{
    PanelRig rig;
    rig.boxes().answer(QMessageBox::Yes);
    Zelvo &panel = rig.start();
    bool dispatched = false;
    QTimer::singleShot(0, &panel, [&] { dispatched = true; });
    const int before = rig.ticks();
    panel.Pause(1);
    QVERIFY(dispatched);
    QCOMPARE(rig.ticks() - before, 1);
}

void LinkTest::nestedPausesShareTheCounter()
{
    PanelRig rig;
    rig.boxes().answer(QMessageBox::Yes);
    Zelvo &panel = rig.start();

    // The outer pause ends once its own count has passed since the inner one
    // began, or at once when the inner one counted further.
    struct Case
    {
        qint32 outer;
        qint32 inner;
        int ticksAfterInnerStart;
    };
    for (const Case &c : {Case{20, 5, 20}, Case{20, 30, 30}}) {
        int innerStart = -1;
        QTimer::singleShot(0, &panel, [&] {
            innerStart = rig.ticks();
            panel.Pause(c.inner);
        });
        panel.Pause(c.outer);
        QCOMPARE(rig.ticks() - innerStart, c.ticksAfterInnerStart);
    }
}

void LinkTest::counterStopsAtItsLimit()
{
    PanelRig rig;
    rig.boxes().answer(QMessageBox::Yes);
    Zelvo &panel = rig.start();
    panel.Timer1->stop();
    panel.timerVal = std::numeric_limits<qint32>::max() - 1;
    panel.Timer1_Timer();
    panel.Timer1_Timer();
    panel.Timer1_Timer();
    QCOMPARE(panel.timerVal, std::numeric_limits<qint32>::max());
}

void LinkTest::readBufferTakesWhatHasArrived()
{
    PanelRig rig;
    rig.addDevice(1);
    Zelvo &panel = startOnCom1(rig);

    panel.RtnString = QStringLiteral("old");
    panel.ReadBuffer();
    QCOMPARE(panel.RtnString, QString());

    panel.MSComm1->output(QStringLiteral("@"));
    panel.Pause(15);
    panel.ReadBuffer();
    QCOMPARE(panel.RtnString, QStringLiteral("Connect\r\n"));
    QCOMPARE(rig.wire(1), QByteArray("@"));
}

void LinkTest::replyArrivingInPiecesIsKeptInOrder()
{
    PanelRig rig;
    zsim::Options paced = PanelRig::unpaced();
    paced.paced = true;
    zsim::SimulatedDevice &device = rig.addDevice(1, paced);
    Zelvo &panel = startOnCom1(rig);

    // At 9600 baud the reply trickles in while the panel reads it.
    std::string reply;
    for (int i = 0; i < 200; ++i)
        reply += char('A' + i % 26);
    device.inject(reply);
    QString collected;
    const auto readMore = [&] {
        panel.ReadBuffer();
        collected += panel.RtnString;
        return collected.size() >= qsizetype(reply.size());
    };
    QTRY_VERIFY_WITH_TIMEOUT(readMore(), 10000);
    QCOMPARE(collected.toStdString(), reply);
}

void LinkTest::probePositionAndLetterCase()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOnCom1(rig);

    zsim::Faults faults;
    faults.silent = true;
    device.setFaults(faults);
    // Answer each probe with the word two characters in.
    rig.setTickHook([&] {
        if (device.received() == "@") {
            device.clearReceived();
            device.inject("xyConnect");
        }
    });
    panel.Connect();
    QCOMPARE(panel.Present, qint16(3));
    QCOMPARE(rig.statusTexts(),
             (QStringList{QStringLiteral("Connecting"), QStringLiteral("Connected")}));

    rig.setTickHook({});
    rig.clearTexts();
    faults = {};
    faults.lowerCaseMarkers = true;
    device.setFaults(faults);
    panel.Connect();
    QCOMPARE(panel.Present, qint16(0));
    QCOMPARE(panel.RtnString, QStringLiteral("connect\r\n"));
    QCOMPARE(rig.statusTexts(), QStringList{QStringLiteral("Connecting")});
}

void LinkTest::clearBufferDiscardsALateReply()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOnCom1(rig);

    // A reply to an earlier command arrives three ticks into the discard.
    const int start = rig.ticks();
    bool sent = false;
    rig.setTickHook([&] {
        if (!sent && rig.ticks() - start == 3) {
            sent = true;
            device.inject("Connect\r\nlate");
        }
    });
    panel.ClearBuffer();
    QVERIFY(sent);
    QCOMPARE(rig.ticks() - start, 10);
    panel.ReadBuffer();
    QCOMPARE(panel.RtnString, QString());
    QCOMPARE(rig.wire(1), QByteArray());
}

void LinkTest::connectOnAClosedPort()
{
    PanelRig rig;
    rig.boxes().answer(QMessageBox::Yes);
    Zelvo &panel = rig.start();
    rig.clearTexts();
    QVERIFY(!panel.MSComm1->portOpen());

    const int before = rig.ticks();
    panel.Present = 5;
    panel.Connect();
    QCOMPARE(panel.Present, qint16(0));
    QCOMPARE(rig.ticks() - before, 25);
    QCOMPARE(rig.statusTexts(), QStringList{QStringLiteral("Connecting")});
    panel.ClearBuffer();
}

void LinkTest::portControlFailures()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(2);
    PortMap ports;
    ports.setPath(1, rig.missingPath(1));
    ports.setPath(2, QString::fromStdString(device.portPath()));
    MSComm port(ports);

    const auto failsWith = [](int number, auto &&operation) {
        try {
            operation();
        } catch (const PortError &error) {
            if (error.number() != number)
                qWarning() << "number" << error.number() << error.description();
            return error.number() == number && !error.description().isEmpty();
        }
        return false;
    };
    // Every operation on a closed port fails.
    QVERIFY(failsWith(EBADF, [&] { port.output(QStringLiteral("@")); }));
    QVERIFY(failsWith(EBADF, [&] { port.input(); }));
    QVERIFY(failsWith(EBADF, [&] { port.inBufferCount(); }));
    QVERIFY(failsWith(EBADF, [&] { port.setInBufferCount(0); }));
    QVERIFY(failsWith(EBADF, [&] { port.setPortOpen(false); }));
    // A port that does not exist, with the system's reason.
    port.setCommPort(1);
    QVERIFY(failsWith(ENOENT, [&] { port.setPortOpen(true); }));
    QVERIFY(failsWith(EINVAL, [&] { port.setCommPort(5); }));
    QVERIFY(failsWith(EINVAL, [&] { port.setSettings(QStringLiteral("9600,X,8,1")); }));

    port.setCommPort(2);
    port.setPortOpen(true);
    QVERIFY(failsWith(EBUSY, [&] { port.setCommPort(1); }));
    QVERIFY(failsWith(EBUSY, [&] { port.setPortOpen(true); }));
    port.output(QStringLiteral("x\xe9"));
    QTRY_COMPARE(QByteArray::fromStdString(device.received()), QByteArray("x\xe9"));
}

void LinkTest::droppedLineClosesThePort()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOnCom1(rig);
    QVERIFY(panel.MSComm1->portOpen());

    device.hangUp();
    // The drop is noticed by the next operation or while events are dispatched.
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            resumeNext([&] { panel.MSComm1->inBufferCount(); });
            return !panel.MSComm1->portOpen();
        }(),
        10000);
    bool failed = false;
    try {
        panel.MSComm1->output(QStringLiteral("@"));
    } catch (const PortError &) {
        failed = true;
    }
    QVERIFY(failed);
    panel.Connect();
    QCOMPARE(panel.Present, qint16(0));
}

QTEST_MAIN(LinkTest)
#include "tst_link.moc"
