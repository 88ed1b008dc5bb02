// The settings panel: reading the device, saving marked locations, factory
// reset and the panel's own buttons, with the exact bytes on the wire.

#include "app/defprompt.h"
#include "app/statusbox.h"
#include "link/mscomm.h"
#include "play/multiplay.h"
#include "support/panelrig.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

const QByteArray FullRead = "@\r\n@R@V0@V1@V2@V3@V4@V5@V6@V7";
// "Update" on a device that still answers: the probe of the port in use,
// then the search and the read as at start-up.
const QByteArray ReRead = "@" + FullRead;

Zelvo &startOnCom1(PanelRig &rig)
{
    Zelvo &panel = rig.start();
    rig.clearWire();
    rig.clearTexts();
    return panel;
}

void fillLocation(Zelvo &panel, int i, const QString &length, const QString &space,
                  const QString &tones)
{
    panel.Length[i]->setText(length);
    panel.Space[i]->setText(space);
    panel.MemString[i]->setText(tones);
    panel.Update[i]->setChecked(true);
}

// What a save of one location writes between the probe and the read-back.
QByteArray storeTraffic(int location, const QByteArray &timing, const QByteArray &tones)
{
    QByteArray bytes = "@S" + QByteArray::number(location) + "\r\n" + timing + "\r\n" + tones;
    if (tones.size() < 20)
        bytes += '.';
    return bytes;
}

} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void updateReadsAgainWithOneFirmwareCopy();
    void programTextIsKeptWhole();
    void brokenReplyEndsTheReadKeepingWhatCameBefore();
    void saveOfOneLocation();
    void rangeCorrection_data();
    void rangeCorrection();
    void endMarkFollowsTheStringLength_data();
    void endMarkFollowsTheStringLength();
    void answerNoStillReReads();
    void missingHandshakeSkipsTheLocation();
    void factoryReset();
    void factoryResetCancelled();
    void factoryResetWithoutAPort();
    void panelButtons();
    void focusGatesKeyboardTones();
};

void SettingsTest::updateReadsAgainWithOneFirmwareCopy()
{
    PanelRig rig;
    rig.addDevice(1);
    Zelvo &panel = startOnCom1(rig);
    QCOMPARE(panel.Firmware->text(), QStringLiteral("Firmware Version: Zelvor 2.1"));

    panel.Update[4]->setChecked(true);
    for (int round = 0; round < 2; ++round) {
        rig.clearWire();
        rig.clearTexts();
        panel.UpdateButton->click();
        QCOMPARE(rig.wire(1), ReRead);
        QCOMPARE(panel.Firmware->text(), QStringLiteral("Firmware Version:Zelvor 2.1"));
        QCOMPARE(rig.statusTexts().mid(0, 2),
                 (QStringList{QStringLiteral("Reading the device settings"), QString()}));
        QCOMPARE(rig.statusTexts().last(), QStringLiteral("Ready"));
    }
    QCOMPARE(panel.MemString[0]->text(), QStringLiteral("0123456789"));
    QVERIFY(panel.Update[4]->isChecked()); // reading never touches the boxes
}

void SettingsTest::programTextIsKeptWhole()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    zsim::Memory memory = zsim::factoryDefaults();
    memory[2].tones = "0123456789ABCD*#0123456789"; // 26 characters, more than can be typed
    device.setMemory(memory);
    Zelvo &panel = startOnCom1(rig);
    QCOMPARE(panel.MemString[2]->text(), QStringLiteral("0123456789ABCD*#0123456789"));

    // Typing cannot make it longer, but may still shorten it.
    panel.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&panel));
    panel.MemString[2]->setFocus();
    panel.MemString[2]->end(false);
    QTest::keyClick(panel.windowHandle(), Qt::Key_5);
    QCOMPARE(panel.MemString[2]->text().size(), 26);
    QTest::keyClick(panel.windowHandle(), Qt::Key_Backspace);
    QCOMPARE(panel.MemString[2]->text(), QStringLiteral("0123456789ABCD*#012345678"));
    panel.Length[2]->setText(QString());
    panel.Length[2]->setFocus();
    for (int i = 0; i < 7; ++i)
        QTest::keyClick(panel.windowHandle(), Qt::Key_9);
    QCOMPARE(panel.Length[2]->text(), QStringLiteral("99999"));
}

void SettingsTest::brokenReplyEndsTheReadKeepingWhatCameBefore()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOnCom1(rig);

    // The device stops answering once location 2 has been read: the probe of
    // location 3 goes unanswered, its reply cannot be cut and the read ends.
    rig.setTickHook([&] {
        if (device.received().find("@V2") != std::string::npos && device.quiescent() &&
            !device.faults().silent) {
            zsim::Faults faults;
            faults.silent = true;
            device.setFaults(faults);
        }
    });
    panel.UpdateButton->click();

    QCOMPARE(device.received().substr(device.received().size() - 4), std::string("@V2@"));
    for (int i = 0; i < 3; ++i)
        QVERIFY(!panel.Length[i]->text().isEmpty());
    for (int i = 3; i < 8; ++i) {
        QVERIFY(panel.Length[i]->text().isEmpty());
        QVERIFY(panel.MemString[i]->text().isEmpty());
    }
    QVERIFY(!rig.statusTexts().contains(QStringLiteral("Ready")));
    QVERIFY(!panel.MSComm1->portOpen());
    QVERIFY(!panel.defPrompt()->isVisible());
    QCOMPARE(panel.CPort, qint16(1));
    QVERIFY(panel.COM1->isChecked());
    QVERIFY(rig.boxes().seen().isEmpty());
}

void SettingsTest::saveOfOneLocation()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOnCom1(rig);
    fillLocation(panel, 3, QStringLiteral("100"), QStringLiteral("250"), QStringLiteral("123ABC"));
    panel.Update[6]->setChecked(false);

    rig.boxes().answer(QMessageBox::Yes);
    panel.Commit->click();

    const BoxAnswerer::Seen &question = rig.boxes().seen().first();
    QCOMPARE(question.text, QStringLiteral("Save Changes to Memory?"));
    QCOMPARE(question.title, QStringLiteral("Zelvor"));
    QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(rig.wire(1), storeTraffic(3, "100,250", "123ABC") + ReRead);
    QCOMPARE(device.memory()[3], (zsim::Location{"123ABC", 100, 250}));
    QCOMPARE(panel.MemString[3]->text(), QStringLiteral("123ABC"));
    for (QCheckBox *box : panel.Update)
        QVERIFY(!box->isChecked());

    QCOMPARE(rig.statusTexts().first(), QStringLiteral("Saving changes to device memory.\r\n"));
    QCOMPARE(rig.statusTexts().last(), QStringLiteral("Ready"));
    const QStringList prompts = rig.promptTexts();
    QCOMPARE(prompts.count(QStringLiteral("Saving to Location # ")), 8);
    QCOMPARE(prompts.count(QStringLiteral("Saving to Location #  3")), 1);
    QCOMPARE(prompts.indexOf(QStringLiteral("Saving to Location #  3")), 4);
}

void SettingsTest::rangeCorrection_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("corrected");
    QTest::newRow("below") << "5"
                           << "20";
    QTest::newRow("above") << "70000"
                           << "65534";
    QTest::newRow("one above") << "65535"
                               << "65534";
    QTest::newRow("top") << "65534"
                         << "65534";
    QTest::newRow("bottom") << "20"
                            << "20";
    QTest::newRow("trailing letter") << "300x"
                                     << "300x";
    QTest::newRow("value 12") << "12ab"
                              << "20";
    QTest::newRow("empty") << ""
                           << "20";
}

void SettingsTest::rangeCorrection()
{
    QFETCH(QString, typed);
    QFETCH(QString, corrected);
    PanelRig rig;
    rig.addDevice(1);
    Zelvo &panel = startOnCom1(rig);
    fillLocation(panel, 5, typed, typed, QStringLiteral("1"));

    // What the fields show at the moment the timing line goes out.
    QStringList shown;
    rig.setTickHook([&] {
        if (shown.isEmpty() && rig.wire(1).contains("\r\n1")) {
            shown << panel.Length[5]->text() << panel.Space[5]->text();
        }
    });
    rig.boxes().answer(QMessageBox::Yes);
    panel.Commit->click();

    const QByteArray timing = (corrected + QLatin1Char(',') + corrected).toLatin1();
    QVERIFY2(rig.wire(1).startsWith(storeTraffic(5, timing, "1")), rig.wire(1).constData());
    QCOMPARE(shown, (QStringList{corrected, corrected}));
}

void SettingsTest::endMarkFollowsTheStringLength_data()
{
    QTest::addColumn<QByteArray>("tones");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("19") << QByteArray("0123456789ABCD*#012");
    QTest::newRow("20") << QByteArray("0123456789ABCD*#0123");
}

void SettingsTest::endMarkFollowsTheStringLength()
{
    QFETCH(QByteArray, tones);
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOnCom1(rig);
    fillLocation(panel, 0, QStringLiteral("60"), QStringLiteral("40"), QString::fromLatin1(tones));
    rig.boxes().answer(QMessageBox::Yes);
    panel.Commit->click();
    QCOMPARE(rig.wire(1), storeTraffic(0, "60,40", tones) + ReRead);
    QCOMPARE(QByteArray::fromStdString(device.memory()[0].tones), tones);
}

void SettingsTest::answerNoStillReReads()
{
    PanelRig rig;
    rig.addDevice(1);
    Zelvo &panel = startOnCom1(rig);
    fillLocation(panel, 1, QStringLiteral("99"), QStringLiteral("99"), QStringLiteral("999"));

    rig.boxes().answer(QMessageBox::No);
    panel.Commit->click();

    QCOMPARE(rig.statusTexts().first(), QStringLiteral("Save operation cancelled"));
    QCOMPARE(rig.statusTexts().last(), QStringLiteral("Ready"));
    QCOMPARE(rig.wire(1), ReRead);
    QCOMPARE(panel.MemString[1]->text(), QStringLiteral("*#ABCD")); // the edit is gone
    QVERIFY(panel.Update[1]->isChecked());                          // no save, no unchecking
}

void SettingsTest::missingHandshakeSkipsTheLocation()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    Zelvo &panel = startOnCom1(rig);
    fillLocation(panel, 2, QStringLiteral("300"), QStringLiteral("300"), QStringLiteral("7"));

    // The device answers the probe but not the "S".
    rig.setTickHook([&] {
        const std::string wire = device.received();
        const bool silent = device.faults().silent;
        if (!silent && wire == "@" && device.quiescent()) {
            zsim::Faults faults;
            faults.silent = true;
            device.setFaults(faults);
        } else if (silent && wire == "@S") {
            device.setFaults({});
        }
    });
    rig.boxes().answer(QMessageBox::Yes);
    panel.Commit->click();

    QCOMPARE(rig.wire(1), "@S" + ReRead);
    QCOMPARE(device.memory()[2], zsim::factoryDefaults()[2]);
    QCOMPARE(panel.MemString[2]->text(), QStringLiteral("5551234"));
    QVERIFY(!panel.Update[2]->isChecked());
    QVERIFY(rig.boxes().allExpected());
}

void SettingsTest::factoryReset()
{
    PanelRig rig;
    zsim::SimulatedDevice &device = rig.addDevice(1);
    zsim::Memory changed = zsim::factoryDefaults();
    changed[0] = {"4444", 300, 300};
    device.setMemory(changed);
    Zelvo &panel = startOnCom1(rig);
    QCOMPARE(panel.MemString[0]->text(), QStringLiteral("4444"));

    int ticksAtResetText = -1;
    int ticksAtUpdate = -1;
    QObject::connect(panel.StatusBox, &StatusTextBox::textSet, &panel, [&](const QString &text) {
        if (text.startsWith(QLatin1String("RESETTING")))
            ticksAtResetText = rig.ticks();
        else if (text == QLatin1String("Reading the device settings"))
            ticksAtUpdate = rig.ticks();
    });
    rig.boxes().answer(QMessageBox::Ok);
    panel.Reset->click();

    const BoxAnswerer::Seen &warning = rig.boxes().seen().first();
    QCOMPARE(warning.text, QStringLiteral("Are you sure? This will erase all current settings and "
                                          "restore defaults!"));
    QCOMPARE(warning.title, QStringLiteral("RESET"));
    QCOMPARE(warning.icon, QMessageBox::Warning);
    QCOMPARE(warning.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(warning.defaultButton, QMessageBox::Cancel);

    QCOMPARE(rig.wire(1), "^0" + ReRead);
    QCOMPARE(ticksAtUpdate - ticksAtResetText, 250);
    QCOMPARE(rig.statusTexts().first(), QStringLiteral("RESETTING\r\nOne moment please."));
    QCOMPARE(rig.statusTexts().last(), QStringLiteral("Ready"));
    QCOMPARE(panel.MemString[0]->text(), QStringLiteral("0123456789"));
    QCOMPARE(device.memory(), zsim::factoryDefaults());
}

void SettingsTest::factoryResetCancelled()
{
    PanelRig rig;
    rig.addDevice(1);
    Zelvo &panel = startOnCom1(rig);
    panel.MemString[0]->setText(QStringLiteral("edited"));
    const int before = rig.ticks();
    rig.boxes().answer(QMessageBox::Cancel);
    panel.Reset->click();
    QCOMPARE(rig.wire(1), QByteArray());
    QCOMPARE(panel.MemString[0]->text(), QStringLiteral("edited"));
    QCOMPARE(rig.statusTexts(), QStringList{QStringLiteral("Ready")});
    QVERIFY(rig.ticks() - before >= 100);
}

void SettingsTest::factoryResetWithoutAPort()
{
    PanelRig rig;
    rig.boxes().answer(QMessageBox::Yes); // no device at start-up: go on
    Zelvo &panel = rig.start();
    rig.boxes().answer(QMessageBox::Ok);
    rig.boxes().answer(QMessageBox::Yes); // the read-back's search finds nothing either
    panel.Reset->click();
    QCOMPARE(rig.boxes().seen().size(), 3);
    QCOMPARE(rig.boxes().seen()[2].text,
             QStringLiteral("Error! No open Comm Ports or Zelvo found.\r\n Do you wish to "
                            "continue?"));
    QCOMPARE(panel.StatusBox->text(), QStringLiteral("Ready"));
    QVERIFY(!panel.hasEnded());
}

void SettingsTest::panelButtons()
{
    PanelRig rig;
    rig.addDevice(1);
    Zelvo &panel = startOnCom1(rig);

    panel.AllOn->click();
    for (QCheckBox *box : panel.Update)
        QVERIFY(box->isChecked());
    panel.AllOff->click();
    for (QCheckBox *box : panel.Update)
        QVERIFY(!box->isChecked());
    QCOMPARE(panel.MemString[0]->text(), QStringLiteral("0123456789"));

    panel.Update[2]->setChecked(true);
    panel.Update[7]->setChecked(true);
    panel.ToneStr = QStringLiteral("$5");
    QVERIFY(!panel.multiPlayExists());
    int ticksAtEmpty = -1;
    QObject::connect(panel.StatusBox, &StatusTextBox::textSet, &panel, [&](const QString &text) {
        if (text.isEmpty())
            ticksAtEmpty = rig.ticks();
    });
    panel.Clear->click();

    QCOMPARE(rig.statusTexts(), (QStringList{QString(), QStringLiteral("Ready")}));
    QCOMPARE(rig.ticks() - ticksAtEmpty, 100);
    QVERIFY(panel.ToneStr.isEmpty());
    for (int i = 0; i < 8; ++i) {
        QVERIFY(panel.MemString[i]->text().isEmpty());
        QVERIFY(panel.Length[i]->text().isEmpty());
        QVERIFY(panel.Space[i]->text().isEmpty());
        QCOMPARE(panel.Update[i]->isChecked(), i == 2 || i == 7);
    }
    // The Multi Play list is emptied too; its window exists now but stays hidden.
    QVERIFY(panel.multiPlayExists());
    QVERIFY(!panel.multiPlay()->isVisible());
    QCOMPARE(rig.wire(1), QByteArray());
}

void SettingsTest::focusGatesKeyboardTones()
{
    PanelRig rig;
    rig.addDevice(1);
    Zelvo &panel = startOnCom1(rig);
    panel.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&panel));
    QCOMPARE(panel.Focused, kTrue);

    for (QLineEdit *field : {panel.Length[2], panel.Space[7], panel.MemString[0]}) {
        field->setFocus();
        QTRY_COMPARE(panel.Focused, kFalse);
        panel.KeyPad[4]->setFocus();
        QTRY_COMPARE(panel.Focused, kTrue);
    }
    // Moving from one field to the next keeps keyboard tones off.
    panel.Length[0]->setFocus();
    QTRY_COMPARE(panel.Focused, kFalse);
    QTest::keyClick(panel.windowHandle(), Qt::Key_Tab);
    QTRY_VERIFY(panel.Space[0]->hasFocus());
    QCOMPARE(panel.Focused, kFalse);
}

QTEST_MAIN(SettingsTest)
#include "tst_settings.moc"
