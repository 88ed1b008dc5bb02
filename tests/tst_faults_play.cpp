// Device faults and port changes in the middle of a memory play and a tone
// list: the operation ends or goes on as the link allows, the user is not
// left with a stuck window, and the panel plays again afterwards.

#include "app/statusbox.h"
#include "link/mscomm.h"
#include "play/memorymode.h"
#include "play/multiplay.h"
#include "support/panelrig.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

zsim::SimulatedDevice &addComingBack(PanelRig &rig, int port)
{
    zsim::Options options = PanelRig::unpaced();
    options.linkPath = rig.linkPath(port).toStdString();
    return rig.addDevice(port, options);
}

bool contains(const zsim::SimulatedDevice &device, const char *bytes)
{
    return device.received().find(bytes) != std::string::npos;
}

// Answers the Memory Play dialog with `locations` as soon as it shows.
void answerMemoryPlay(Zelvo &panel, const QString &locations)
{
    auto *timer = new QTimer(&panel);
    timer->setInterval(2);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, &panel, locations] {
        MemoryMode *dialog = panel.memoryMode();
        if (!dialog || !dialog->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        dialog->Location->setText(locations);
        dialog->MemOK->click();
    });
    timer->start();
}

// Rows 1 to 3 of the tone list.
MultiPlay *fillList(Zelvo &panel)
{
    MultiPlay *list = panel.multiPlay();
    const char *rows[3][3] = {{"1", "100", "50"}, {"2", "100", "50"}, {"3", "100", "50"}};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            list->setTextMatrix(r + 1, c + 1, QString::fromLatin1(rows[r][c]));
    }
    return list;
}

const QByteArray ListLines = "1,100,50\r\n2,100,50\r\n3,100,50\r\n";

void setNeverReady(zsim::SimulatedDevice &device)
{
    zsim::Faults faults;
    faults.neverReady = true;
    device.setFaults(faults);
}

} // namespace

class FaultsPlayTest : public QObject
{
    Q_OBJECT

private slots:
    void hangUpDuringTheReadyPoll();
    void hangUpDuringAToneList();
    void portChangedDuringAMemoryPlay();
    void portChangedDuringAToneList();
};

void FaultsPlayTest::hangUpDuringTheReadyPoll()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = addComingBack(rig, 1);
    Zelvo &panel = rig.start();
    rig.clearWire();
    setNeverReady(device);
    int pollTicks = 0;
    rig.setTickHook([&] {
        if (device.connected() && contains(device, "5\r\n") && ++pollTicks == 20)
            device.hangUp();
    });
    answerMemoryPlay(panel, QStringLiteral("56"));
    rig.boxes().answer(QMessageBox::Ok);
    panel.Memory->click();

    // The poll ended with the line, which the user is told; location 6 was
    // never requested.
    QCOMPARE(rig.boxes().seen().size(), 1);
    QVERIFY(rig.boxes().seen()[0].text.startsWith(QLatin1String("Error  5\r\n")));
    QVERIFY(!contains(device, "6\r\n"));
    QVERIFY(!panel.MSComm1->portOpen());
    QVERIFY(panel.Memory->isEnabled());

    // Back again: the same play runs to its end.
    QVERIFY(device.reconnect());
    device.setFaults({});
    rig.setTickHook({});
    panel.COM1->trigger();
    rig.clearWire();
    answerMemoryPlay(panel, QStringLiteral("6"));
    panel.Memory->click();
    QCOMPARE(rig.wire(1), QByteArray("@M6\r\n"));
    QCOMPARE(panel.StatusBox->text(), QStringLiteral("Ready"));
}

void FaultsPlayTest::hangUpDuringAToneList()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = addComingBack(rig, 1);
    Zelvo &panel = rig.start();
    MultiPlay *list = fillList(panel);
    rig.clearWire();
    rig.setTickHook([&] {
        if (device.connected() && contains(device, "1,100,50\r\n"))
            device.hangUp();
    });
    list->Send->click();

    // Every later write was skipped without a word.
    QVERIFY(rig.boxes().seen().isEmpty());
    QVERIFY(!panel.MSComm1->portOpen());
    QVERIFY(!contains(device, "2,100,50"));

    QVERIFY(device.reconnect());
    rig.setTickHook({});
    panel.COM1->trigger();
    rig.clearWire();
    list->Send->click();
    QTRY_COMPARE(rig.wire(1), "@F" + ListLines + "\r\n");
}

void FaultsPlayTest::portChangedDuringAMemoryPlay()
{
    PanelRig rig;
    zsim::SimulatedDevice &first = rig.addDevice(1);
    rig.addDevice(2);
    Zelvo &panel = rig.start();
    rig.clearWire();
    setNeverReady(first);
    // While location 4 plays on COM1, the user moves the link to COM2, where
    // no play will ever finish; Abort ends the wait.
    bool moved = false;
    bool aborted = false;
    int ticksOnCom2 = 0;
    rig.setTickHook([&] {
        if (!moved && contains(first, "4\r\n")) {
            moved = true;
            QMetaObject::invokeMethod(panel.COM2, &QAction::trigger, Qt::QueuedConnection);
        } else if (moved && !aborted && panel.CPort == 2 && ++ticksOnCom2 == 60) {
            aborted = true;
            QMetaObject::invokeMethod(panel.Abort, &QPushButton::click, Qt::QueuedConnection);
        }
    });
    answerMemoryPlay(panel, QStringLiteral("44"));
    panel.Memory->click();

    QVERIFY(aborted);
    QCOMPARE(panel.CPort, qint16(2));
    QVERIFY(panel.MSComm1->portOpen());
    QCOMPARE(rig.wire(1), QByteArray("@M4\r\n"));
    // Abort's commands went to the port in use; the second location was skipped.
    QCOMPARE(rig.wire(2), QByteArray("\r\n%"));
    QVERIFY(panel.Memory->isEnabled());
    QVERIFY(rig.boxes().allExpected());
}

void FaultsPlayTest::portChangedDuringAToneList()
{
    PanelRig rig;
    rig.addDevice(1);
    rig.addDevice(2);
    Zelvo &panel = rig.start();
    MultiPlay *list = fillList(panel);
    rig.clearWire();
    bool moved = false;
    rig.setTickHook([&] {
        if (!moved && rig.wire(1).endsWith("1,100,50\r\n")) {
            moved = true;
            QMetaObject::invokeMethod(panel.COM2, &QAction::trigger, Qt::QueuedConnection);
        }
    });
    list->Send->click();

    // Nothing locks the line: the rest of the list follows the port.
    QVERIFY(moved);
    QCOMPARE(rig.wire(1), QByteArray("@F1,100,50\r\n"));
    QTRY_COMPARE(rig.wire(2), QByteArray("2,100,50\r\n3,100,50\r\n\r\n"));
    QCOMPARE(panel.CPort, qint16(2));
    QVERIFY(rig.boxes().seen().isEmpty());

    // The window still sends, now on COM2.
    rig.clearWire();
    rig.setTickHook({});
    list->Send->click();
    QTRY_COMPARE(rig.wire(2), "@F" + ListLines + "\r\n");
}

QTEST_MAIN(FaultsPlayTest)
#include "tst_faults_play.moc"
