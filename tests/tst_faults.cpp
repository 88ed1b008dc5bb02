// Device faults and impatient users around the search, the settings read and
// the save: whatever happens, the panel ends its operation in a known state,
// tells the user where it must, and works again once the device is back.

#include "app/defprompt.h"
#include "app/statusbox.h"
#include "link/mscomm.h"
#include "support/panelrig.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

// A device behind a link path, so it can come back after a hang-up.
zsim::SimulatedDevice &addComingBack(PanelRig &rig, int port)
{
    zsim::Options options = PanelRig::unpaced();
    options.linkPath = rig.linkPath(port).toStdString();
    return rig.addDevice(port, options);
}

void setFault(zsim::SimulatedDevice &device, bool zsim::Faults::*fault)
{
    zsim::Faults faults;
    faults.*fault = true;
    device.setFaults(faults);
}

// A started panel, with the start-up traffic forgotten.
Zelvo &startClean(PanelRig &rig)
{
    Zelvo &panel = rig.start();
    rig.clearWire();
    return panel;
}

bool contains(const zsim::SimulatedDevice &device, const char *bytes)
{
    return device.received().find(bytes) != std::string::npos;
}

// The panel shows exactly what the device holds.
void verifyPanelShows(Zelvo &panel, const zsim::Memory &memory)
{
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(panel.MemString[i]->text().toStdString(), memory[i].tones);
        QCOMPARE(panel.Length[i]->text(), QString::number(memory[i].length));
        QCOMPARE(panel.Space[i]->text(), QString::number(memory[i].space));
    }
}

// "Update" with a healthy device on COM1: the panel works again.
void verifyWorksAgain(PanelRig &rig, Zelvo &panel, zsim::SimulatedDevice &device)
{
    device.setFaults({});
    rig.setTickHook({});
    panel.UpdateButton->click();
    QVERIFY(panel.MSComm1->portOpen());
    QCOMPARE(panel.StatusBox->text(), QStringLiteral("Ready"));
    verifyPanelShows(panel, device.memory());
}

} // namespace

class FaultsTest : public QObject
{
    Q_OBJECT

private slots:
    void hangUpDuringTheSearch();
    void hangUpDuringTheRead();
    void hangUpInsideASave();
    void silentOrMisspeakingDevice_data();
    void silentOrMisspeakingDevice();
    void lateRepliesAreDiscarded();
    void repliesInSingleCharacters();
    void floodDuringTheRead();
    void tenUpdatesInsideOneRead();
    void otherButtonsInsideARead();
    void quitInsideASave();
};

void FaultsTest::hangUpDuringTheSearch()
{
    PanelRig rig;
    zsim::SimulatedDevice &first = addComingBack(rig, 1);
    zsim::SimulatedDevice &second = rig.addDevice(2);
    setFault(first, &zsim::Faults::silent);
    // COM1 goes away while its probe is pending.
    rig.setTickHook([&] {
        if (first.connected() && first.received() == "@")
            first.hangUp();
    });
    Zelvo &panel = rig.start();

    QCOMPARE(panel.CPort, qint16(2));
    QVERIFY(rig.boxes().seen().isEmpty());
    verifyPanelShows(panel, second.memory());

    // Back on COM1: picking it from the menu and updating reads it.
    QVERIFY(first.reconnect());
    first.setFaults({});
    rig.setTickHook({});
    panel.COM1->trigger();
    QCOMPARE(panel.StatusBox->text(), QStringLiteral("Ready"));
    verifyWorksAgain(rig, panel, first);
    QCOMPARE(panel.CPort, qint16(1));
}

void FaultsTest::hangUpDuringTheRead()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = addComingBack(rig, 1);
    Zelvo &panel = startClean(rig);
    // The line drops once location 2 has been read and stored.
    rig.setTickHook([&] {
        if (device.connected() && contains(device, "@V2@"))
            device.hangUp();
    });
    panel.UpdateButton->click();

    // The read ends with the search's recovery: what was read stays.
    QVERIFY(!panel.MSComm1->portOpen());
    QVERIFY(!panel.defPrompt()->isVisible());
    QCOMPARE(panel.MemString[2]->text(), QStringLiteral("5551234"));
    QVERIFY(panel.Length[3]->text().isEmpty());
    QVERIFY(rig.boxes().seen().isEmpty());

    QVERIFY(device.reconnect());
    verifyWorksAgain(rig, panel, device);
}

void FaultsTest::hangUpInsideASave()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = addComingBack(rig, 1);
    Zelvo &panel = startClean(rig);
    panel.MemString[4]->setText(QStringLiteral("123ABC"));
    panel.Update[4]->setChecked(true);
    // The line drops between the second and the third tone character.
    rig.setTickHook([&] {
        const std::string wire = device.received();
        if (device.connected() && wire.size() >= 2 && wire.compare(wire.size() - 2, 2, "12") == 0)
            device.hangUp();
    });
    rig.boxes().answer(QMessageBox::Yes); // save?
    rig.boxes().answer(QMessageBox::Ok);  // the failure
    panel.Commit->click();

    QCOMPARE(rig.boxes().seen().size(), 2);
    QVERIFY2(rig.boxes().seen()[1].text.startsWith(QLatin1String("Error  5\r\n")),
             qPrintable(rig.boxes().seen()[1].text));
    QVERIFY(!panel.MSComm1->portOpen());
    QVERIFY(!panel.defPrompt()->isVisible());
    QCOMPARE(device.memory()[4], zsim::factoryDefaults()[4]); // nothing half-stored

    QVERIFY(device.reconnect());
    rig.setTickHook({});
    panel.COM1->trigger();
    verifyWorksAgain(rig, panel, device);
}

void FaultsTest::silentOrMisspeakingDevice_data()
{
    QTest::addColumn<int>("fault");
    QTest::newRow("silent") << 0;
    QTest::newRow("no markers") << 1;
    QTest::newRow("markers in lower case") << 2;
    QTest::newRow("garbage") << 3;
}

void FaultsTest::silentOrMisspeakingDevice()
{
    QFETCH(int, fault);
    bool zsim::Faults::*const faults[] = {&zsim::Faults::silent, &zsim::Faults::noMarkers,
                                          &zsim::Faults::lowerCaseMarkers, &zsim::Faults::garbage};
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = rig.start();
    setFault(device, faults[fault]);

    rig.boxes().answer(QMessageBox::Yes);
    panel.UpdateButton->click();
    QCOMPARE(rig.boxes().texts(),
             QStringList{QStringLiteral("Error! No open Comm Ports or Zelvo found.\r\n Do you wish "
                                        "to continue?")});
    QVERIFY(!panel.MSComm1->portOpen());
    for (int i = 0; i < 8; ++i)
        QVERIFY(panel.MemString[i]->text().isEmpty());

    verifyWorksAgain(rig, panel, device);
}

void FaultsTest::lateRepliesAreDiscarded()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = rig.start();

    // Every reply comes 35 ticks after its command, when the panel has read
    // and gone on (no wait of the panel is longer than 30 ticks).
    zsim::Faults faults;
    faults.holdReplies = true;
    device.setFaults(faults);
    std::size_t seen = 0;
    int quietTicks = 0;
    rig.setTickHook([&] {
        if (device.receivedTotal() != seen) {
            seen = device.receivedTotal();
            quietTicks = 0;
        } else if (++quietTicks == 35) {
            device.releaseHeld();
        }
    });
    rig.boxes().answer(QMessageBox::Yes);
    panel.UpdateButton->click();
    QCOMPARE(rig.boxes().seen().size(), 1);

    // Stale replies still on the line do not shift the next read.
    device.setFaults({});
    device.releaseHeld();
    verifyWorksAgain(rig, panel, device);
}

void FaultsTest::repliesInSingleCharacters()
{
    PanelRig rig;
    zsim::Options paced = PanelRig::unpaced();
    paced.paced = true;
    zsim::SimulatedDevice &device = rig.addDevice(1, paced);
    setFault(device, &zsim::Faults::singleCharacters);
    Zelvo &panel = rig.start();
    QCOMPARE(panel.StatusBox->text(), QStringLiteral("Ready"));
    verifyPanelShows(panel, device.memory());
    QCOMPARE(panel.Firmware->text(), QStringLiteral("Firmware Version: Zelvor 2.1"));
}

void FaultsTest::floodDuringTheRead()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startClean(rig);
    bool flooded = false;
    rig.setTickHook([&] {
        if (!flooded && contains(device, "@V1")) {
            flooded = true;
            device.flood(1 << 20);
        }
    });
    panel.UpdateButton->click();
    QVERIFY(flooded);
    // Whatever the noise did to the read, the panel is still in charge.
    QVERIFY(!panel.defPrompt()->isVisible());
    QVERIFY(rig.boxes().allExpected());
    verifyWorksAgain(rig, panel, device);
}

void FaultsTest::tenUpdatesInsideOneRead()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startClean(rig);
    bool clicked = false;
    rig.setTickHook([&] {
        if (!clicked && contains(device, "@V3")) {
            clicked = true;
            for (int i = 0; i < 10; ++i) {
                QMetaObject::invokeMethod(panel.UpdateButton, &QPushButton::click,
                                          Qt::QueuedConnection);
            }
        }
    });
    panel.UpdateButton->click();

    // The nested searches take the line from under the outer read, which may
    // then end with the search's recovery; no question, no hang, no crash.
    QVERIFY(clicked);
    QVERIFY(rig.boxes().allExpected());
    QVERIFY(!panel.defPrompt()->isVisible());
    verifyWorksAgain(rig, panel, device);
}

void FaultsTest::otherButtonsInsideARead()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startClean(rig);
    bool pressed = false;
    rig.setTickHook([&] {
        if (!pressed && contains(device, "@V5")) {
            pressed = true;
            QMetaObject::invokeMethod(panel.Commit, &QPushButton::click, Qt::QueuedConnection);
            QMetaObject::invokeMethod(panel.Abort, &QPushButton::click, Qt::QueuedConnection);
            QTimer::singleShot(0, &panel,
                               [&] { QTest::mouseClick(panel.KeyPad[4], Qt::LeftButton); });
        }
    });
    rig.boxes().answer(QMessageBox::No); // the save's question
    panel.UpdateButton->click();

    QVERIFY(pressed);
    QVERIFY(rig.boxes().texts().contains(QStringLiteral("Save Changes to Memory?")));
    QVERIFY(rig.boxes().allExpected());
    QVERIFY(!panel.hasEnded());
    verifyWorksAgain(rig, panel, device);
}

void FaultsTest::quitInsideASave()
{
    for (bool quit : {false, true}) {
        PanelRig rig;
        zsim::SimulatedDevice &device = rig.addDevice(1);
        Zelvo &panel = startClean(rig);
        panel.MemString[6]->setText(QStringLiteral("77"));
        panel.Update[6]->setChecked(true);
        bool asked = false;
        rig.setTickHook([&] {
            if (!asked && contains(device, "S6\r\n")) {
                asked = true;
                QMetaObject::invokeMethod(panel.done, &QPushButton::click, Qt::QueuedConnection);
            }
        });
        rig.boxes().answer(QMessageBox::Yes);                          // save?
        rig.boxes().answer(quit ? QMessageBox::Yes : QMessageBox::No); // quit?
        panel.Commit->click();

        QVERIFY(asked);
        QCOMPARE(rig.endings(), quit ? 1 : 0);
        QCOMPARE(panel.MSComm1->portOpen(), !quit);
        if (quit) {
            // Nothing more went out once the application had ended.
            const std::string wire = device.received();
            QVERIFY(wire.find("@\r\n@R") == std::string::npos);
            QVERIFY(!panel.isVisible());
        } else {
            QCOMPARE(device.memory()[6].tones, std::string("77"));
            QCOMPARE(panel.StatusBox->text(), QStringLiteral("Ready"));
        }
    }
}

QTEST_MAIN(FaultsTest)
#include "tst_faults.moc"
