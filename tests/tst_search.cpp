// Finding the device at start-up and on "Update", the port menu, Quit and the
// termination step, against simulated devices on pseudo-terminals.

#include "app/defprompt.h"
#include "app/statusbox.h"
#include "link/mscomm.h"
#include "support/panelrig.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QTest>

namespace {

// The traffic of a search that finds the device on the first port it opens
// and reads all eight locations.
const QByteArray FullRead = "@\r\n@R@V0@V1@V2@V3@V4@V5@V6@V7";

QList<int> checkedItems(Zelvo &panel)
{
    QList<int> checked;
    for (int port = 1; port <= 4; ++port) {
        if (panel.comItem(port)->isChecked())
            checked << port;
    }
    return checked;
}

zsim::SimulatedDevice &addSilent(PanelRig &rig, int port)
{
    zsim::SimulatedDevice &device = rig.addDevice(port);
    zsim::Faults faults;
    faults.silent = true;
    device.setFaults(faults);
    return device;
}

} // namespace

class SearchTest : public QObject
{
    Q_OBJECT

private slots:
    void deviceOnCom3IsFoundAfterProbingCom1AndCom2();
    void firstAnsweringPortWins();
    void missingPortIsPassedSilently();
    void noDeviceAndContinue();
    void noDeviceAndQuit();
    void updateAfterTheDeviceWentAway();
    void searchReportNamesWhyEachPortFailed();
    void portMenuMovesTheLinkWithoutProbing();
    void portMenuFailureSwitchesBack();
    void portMenuFailureAndQuit();
    void portMenuOnlyCom1RestoresKeyboardTones();
    void failedSwitchBackLeavesThePortClosed();
    void quitAnsweredNoChangesNothing();
    void quitAnsweredYesEndsWithThePortClosed();
    void closingTheWindowEndsWithoutAQuestion();
};

void SearchTest::deviceOnCom3IsFoundAfterProbingCom1AndCom2()
{
    PanelRig rig;
    addSilent(rig, 1);
    addSilent(rig, 2);
    zsim::SimulatedDevice &zelvor = rig.addDevice(3);
    zsim::SimulatedDevice &com4 = rig.addDevice(4);
    Zelvo &panel = rig.start();

    QCOMPARE(rig.wire(1), QByteArray("@"));
    QCOMPARE(rig.wire(2), QByteArray("@"));
    QCOMPARE(QByteArray::fromStdString(zelvor.received()), FullRead);
    QCOMPARE(QByteArray::fromStdString(com4.received()), QByteArray());
    QCOMPARE(panel.CPort, qint16(3));
    QCOMPARE(checkedItems(panel), QList<int>{3});
    QVERIFY(panel.MSComm1->portOpen());
    QCOMPARE(panel.MSComm1->commPort(), 3);
    QVERIFY(panel.isVisible());
    QVERIFY(rig.boxes().seen().isEmpty());

    const QStringList status = rig.statusTexts();
    const QStringList probing{QStringLiteral("Trying COM Port # 1"),
                              QStringLiteral("Connecting"),
                              QStringLiteral("Trying COM Port # 2"),
                              QStringLiteral("Connecting"),
                              QStringLiteral("Trying COM Port # 3"),
                              QStringLiteral("Connecting"),
                              QStringLiteral("Connected")};
    // The first probe runs on the port that is not open yet.
    QCOMPARE(status.mid(0, 1), QStringList{QStringLiteral("Connecting")});
    QCOMPARE(status.mid(1, probing.size()), probing);
    QVERIFY(status.contains(QStringLiteral("\r\nReading Location # 5")));
    QCOMPARE(status.last(), QStringLiteral("Ready"));
    QCOMPARE(rig.promptTexts(),
             (QStringList{QStringLiteral("Looking for a Zelvo"), QStringLiteral("Zelvo Found"),
                          QStringLiteral("Reading Current Settings")}));
    QVERIFY(!panel.defPrompt()->isVisible());

    const zsim::Memory memory = zelvor.memory();
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(panel.MemString[i]->text().toStdString(), memory[i].tones);
        QCOMPARE(panel.Length[i]->text(), QString::number(memory[i].length));
        QCOMPARE(panel.Space[i]->text(), QString::number(memory[i].space));
    }
    QCOMPARE(panel.Firmware->text(), QStringLiteral("Firmware Version: Zelvor 2.1"));
}

void SearchTest::firstAnsweringPortWins()
{
    PanelRig rig;
    rig.addDevice(2);
    rig.addDevice(4);
    Zelvo &panel = rig.start();
    QCOMPARE(rig.wire(2), FullRead);
    QCOMPARE(rig.wire(4), QByteArray());
    QCOMPARE(panel.CPort, qint16(2));
    QCOMPARE(checkedItems(panel), QList<int>{2});
}

void SearchTest::missingPortIsPassedSilently()
{
    PanelRig rig;
    rig.addDevice(2);
    Zelvo &panel = rig.start();
    QCOMPARE(panel.CPort, qint16(2));
    QVERIFY(rig.boxes().seen().isEmpty());
    // The missing COM1 is still probed, on the closed port: "Connecting" for
    // it and no "Connected" before COM2 is tried.
    const QStringList status = rig.statusTexts();
    const int com1 = int(status.indexOf(QStringLiteral("Trying COM Port # 1")));
    QCOMPARE(status.mid(com1, 3),
             (QStringList{QStringLiteral("Trying COM Port # 1"), QStringLiteral("Connecting"),
                          QStringLiteral("Trying COM Port # 2")}));
}

void SearchTest::noDeviceAndContinue()
{
    PanelRig rig;
    rig.boxes().answer(QMessageBox::Yes);
    Zelvo &panel = rig.start();

    QCOMPARE(rig.boxes().seen().size(), 1);
    const BoxAnswerer::Seen &question = rig.boxes().seen().first();
    QCOMPARE(question.text, QStringLiteral("Error! No open Comm Ports or Zelvo found.\r\n Do "
                                           "you wish to continue?"));
    QCOMPARE(question.title, QStringLiteral("Zelvor"));
    QCOMPARE(question.icon, QMessageBox::NoIcon);
    QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);

    QVERIFY(panel.isVisible());
    QVERIFY(!panel.hasEnded());
    QCOMPARE(panel.StatusBox->text(), QString());
    QCOMPARE(checkedItems(panel), QList<int>());
    QCOMPARE(panel.CPort, qint16(1));
    QCOMPARE(panel.Focused, kTrue);
    QVERIFY(!panel.MSComm1->portOpen());
    QVERIFY(!panel.defPrompt()->isVisible());
    QCOMPARE(panel.Firmware->text(), QStringLiteral("Firmware Version: "));

    // Later probes find nothing until the user picks a port.
    panel.Connect();
    QCOMPARE(panel.Present, qint16(0));
}

void SearchTest::noDeviceAndQuit()
{
    PanelRig rig;
    addSilent(rig, 2);
    rig.boxes().answer(QMessageBox::No);
    Zelvo &panel = rig.start();
    QCOMPARE(rig.endings(), 1);
    QVERIFY(panel.hasEnded());
    QVERIFY(!panel.isVisible());
    QVERIFY(!panel.defPrompt()->isVisible());
    QVERIFY(!panel.MSComm1->portOpen());
    // Nothing runs once the application has ended.
    panel.UpdateButton->click();
    QCOMPARE(rig.boxes().seen().size(), 1);
}

void SearchTest::updateAfterTheDeviceWentAway()
{
    PanelRig rig;
    zsim::SimulatedDevice &zelvor = rig.addDevice(1);
    Zelvo &panel = rig.start();
    QVERIFY(!panel.MemString[0]->text().isEmpty());

    zelvor.hangUp();
    rig.clearTexts();
    rig.boxes().answer(QMessageBox::Yes);
    panel.UpdateButton->click();

    QCOMPARE(rig.boxes().texts(),
             QStringList{QStringLiteral("Error! No open Comm Ports or Zelvo found.\r\n Do you "
                                        "wish to continue?")});
    for (int i = 0; i < 8; ++i) {
        QVERIFY(panel.MemString[i]->text().isEmpty());
        QVERIFY(panel.Length[i]->text().isEmpty());
        QVERIFY(panel.Space[i]->text().isEmpty());
    }
    QVERIFY(!panel.MSComm1->portOpen());
    QCOMPARE(panel.Firmware->text(), QStringLiteral("Firmware Version:"));
    // The search went over all four ports again.
    for (int port = 1; port <= 4; ++port)
        QVERIFY(rig.statusTexts().contains(QStringLiteral("Trying COM Port # %1").arg(port)));
    // The check mark stays where it was before the failed search.
    QCOMPARE(checkedItems(panel), QList<int>{1});
    QCOMPARE(panel.StatusBox->text(), QString());
}

void SearchTest::searchReportNamesWhyEachPortFailed()
{
    PanelRig rig;
    addSilent(rig, 2);
    zsim::SimulatedDevice &held = rig.addDevice(3);
    // Another program holds COM3.
    QSerialPort other(QString::fromStdString(held.portPath()));
    QVERIFY(other.open(QIODevice::ReadWrite));
    rig.boxes().answer(QMessageBox::Yes);
    rig.start();

    const QStringList lines = rig.boxes().seen().first().detailedText.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QStringLiteral("COM1 (%1): does not exist").arg(rig.missingPath(1)));
    QVERIFY2(lines[1].endsWith(QLatin1String(": no answer to the probe")), qPrintable(lines[1]));
    QVERIFY2(lines[2].endsWith(QLatin1String(": busy, in use by another program")),
             qPrintable(lines[2]));
    QVERIFY(lines[3].startsWith(QLatin1String("COM4 (")));
    QCOMPARE(QByteArray::fromStdString(held.received()), QByteArray());
}

void SearchTest::portMenuMovesTheLinkWithoutProbing()
{
    PanelRig rig;
    rig.addDevice(1);
    addSilent(rig, 2);
    Zelvo &panel = rig.start();
    rig.clearWire();
    rig.clearTexts();
    panel.Present = 7;

    panel.COM2->trigger();

    QCOMPARE(rig.statusTexts(), (QStringList{QStringLiteral("Setting Communications port to COM2"),
                                             QStringLiteral("Ready")}));
    QCOMPARE(panel.CPort, qint16(2));
    QCOMPARE(checkedItems(panel), QList<int>{2});
    QVERIFY(panel.MSComm1->portOpen());
    QCOMPARE(panel.MSComm1->commPort(), 2);
    QCOMPARE(panel.Present, qint16(7));
    QCOMPARE(rig.wire(1), QByteArray());
    QCOMPARE(rig.wire(2), QByteArray());
    // The link really is on COM2 now.
    panel.MSComm1->output(QStringLiteral("%5"));
    QTRY_COMPARE(rig.wire(2), QByteArray("%5"));
}

void SearchTest::portMenuFailureSwitchesBack()
{
    PanelRig rig;
    rig.addDevice(1);
    Zelvo &panel = rig.start();
    rig.clearTexts();

    // Only COM1 waits after the answer (see failedSwitchBackLeavesThePortClosed):
    // a pause between the answer and "Resetting" would restart the counter.
    constexpr qint32 Sentinel = 1000000;
    qint32 counterAtReset = -1;
    QObject::connect(panel.StatusBox, &StatusTextBox::textSet, &panel, [&](const QString &text) {
        if (text.startsWith(QLatin1String("Resetting")))
            counterAtReset = panel.timerVal;
    });
    rig.boxes().onNextBox([&] { panel.timerVal = Sentinel; });
    rig.boxes().answer(QMessageBox::Yes);
    panel.COM3->trigger();

    QCOMPARE(rig.boxes().texts(), QStringList{QStringLiteral(
                                      "Error! COM3 is not available. Do you wish to continue? ")});
    QVERIFY(counterAtReset >= Sentinel);
    QCOMPARE(rig.statusTexts(), (QStringList{QStringLiteral("Setting Communications port to COM3"),
                                             QStringLiteral("Resetting to port # 1"), QString()}));
    QCOMPARE(panel.CPort, qint16(1));
    QCOMPARE(checkedItems(panel), QList<int>{1});
    QVERIFY(panel.MSComm1->portOpen());
    QCOMPARE(panel.MSComm1->commPort(), 1);
    QVERIFY(!panel.hasEnded());
}

void SearchTest::portMenuFailureAndQuit()
{
    PanelRig rig;
    rig.addDevice(2);
    Zelvo &panel = rig.start();
    rig.boxes().answer(QMessageBox::No);
    panel.COM4->trigger();
    QCOMPARE(rig.boxes().texts().last(),
             QStringLiteral("Error! COM4 is not available. Do you wish to continue? "));
    QCOMPARE(rig.endings(), 1);
    QVERIFY(!panel.MSComm1->portOpen());
}

void SearchTest::portMenuOnlyCom1RestoresKeyboardTones()
{
    PanelRig rig;
    rig.addDevice(1);
    addSilent(rig, 2);
    Zelvo &panel = rig.start();

    panel.Focused = kFalse;
    panel.COM2->trigger();
    QCOMPARE(panel.Focused, kFalse);
    panel.COM1->trigger();
    QCOMPARE(panel.Focused, kTrue);
    QCOMPARE(checkedItems(panel), QList<int>{1});
    // Picking the port already in use closes and reopens it.
    panel.COM1->trigger();
    QVERIFY(panel.MSComm1->portOpen());
    QCOMPARE(panel.StatusBox->text(), QStringLiteral("Ready"));
}

void SearchTest::failedSwitchBackLeavesThePortClosed()
{
    PanelRig rig;
    rig.boxes().answer(QMessageBox::Yes); // continue without a device
    Zelvo &panel = rig.start();
    rig.clearTexts();

    // COM1 waits 50 ticks once the question is answered.
    qint32 counterAtReset = -1;
    QObject::connect(panel.StatusBox, &StatusTextBox::textSet, &panel, [&](const QString &text) {
        if (text.startsWith(QLatin1String("Resetting")))
            counterAtReset = panel.timerVal;
    });
    rig.boxes().answer(QMessageBox::Yes);
    panel.COM1->trigger();

    QCOMPARE(rig.boxes().texts().last(),
             QStringLiteral("Error! COM1 is not available. Do you wish to continue? "));
    QCOMPARE(counterAtReset, 50);
    // COM1 (CPort) cannot be reopened either: the link stays closed.
    QCOMPARE(rig.statusTexts().mid(1),
             (QStringList{QStringLiteral("Resetting to port # 1"), QString()}));
    QVERIFY(!panel.MSComm1->portOpen());
    QCOMPARE(checkedItems(panel), QList<int>());
    QVERIFY(!panel.hasEnded());
}

void SearchTest::quitAnsweredNoChangesNothing()
{
    PanelRig rig;
    rig.addDevice(1);
    Zelvo &panel = rig.start();
    const QString before = panel.StatusBox->text();
    rig.boxes().answer(QMessageBox::No);
    panel.done->click();
    QCOMPARE(rig.boxes().texts(), QStringList{QStringLiteral("Quit. Are you sure?")});
    QCOMPARE(panel.StatusBox->text(), before);
    QVERIFY(panel.MSComm1->portOpen());
    QCOMPARE(rig.endings(), 0);
}

void SearchTest::quitAnsweredYesEndsWithThePortClosed()
{
    for (bool withDevice : {false, true}) {
        PanelRig rig;
        if (withDevice)
            rig.addDevice(1);
        else
            rig.boxes().answer(QMessageBox::Yes);
        Zelvo &panel = rig.start();
        rig.clearTexts();

        int ticksAtGoodbye = -1;
        QObject::connect(panel.StatusBox, &StatusTextBox::textSet, &panel,
                         [&](const QString &) { ticksAtGoodbye = rig.ticks(); });
        rig.boxes().answer(QMessageBox::Yes);
        panel.done->click();

        QCOMPARE(rig.statusTexts(), QStringList{QStringLiteral("Goodbye! Exiting Program.")});
        QCOMPARE(rig.ticks() - ticksAtGoodbye, 50);
        QCOMPARE(rig.endings(), 1);
        QVERIFY(!panel.MSComm1->portOpen());
        QVERIFY(!panel.isVisible());
    }
}

void SearchTest::closingTheWindowEndsWithoutAQuestion()
{
    PanelRig rig;
    rig.addDevice(1);
    Zelvo &panel = rig.start();
    panel.close();
    QCOMPARE(rig.endings(), 1);
    QVERIFY(rig.boxes().seen().isEmpty());
    QVERIFY(!panel.MSComm1->portOpen());
}

QTEST_MAIN(SearchTest)
#include "tst_search.moc"
