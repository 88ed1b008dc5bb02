// The settings panel: reading the device, saving, factory reset, the panel's
// own buttons and fields, and the faults around them.

#include "app/defprompt.h"
#include "app/statusbox.h"
#include "link/mscomm.h"
#include "play/multiplay.h"
#include "support/expected.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The eight locations as the panel shows them, "length/space/tones" each.
QStringList shown(Zelvo &panel)
{
    QStringList rows;
    for (int i = 0; i < 8; ++i)
        rows << panel.Length[i]->text() + '/' + panel.Space[i]->text() + '/' +
                    panel.MemString[i]->text();
    return rows;
}

QStringList held(const zsim::Memory &memory)
{
    QStringList rows;
    for (const zsim::Location &at : memory)
        rows << QStringLiteral("%1/%2/%3").arg(at.length).arg(at.space).arg(at.tones.c_str());
    return rows;
}

void clickLater(QPushButton *button)
{
    QMetaObject::invokeMethod(button, &QPushButton::click, Qt::QueuedConnection);
}

// Version and location 2's tones of the device, or its scripted answer to "V"
// (without "VM"), and the first and last location shown afterwards.
using ReadRow = std::tuple<QByteArray, QByteArray, QByteArray, QString, QString>;
// Location (-1 none), length, space, tones, the timing line sent, the answer, "SS" given.
using SaveRow = std::tuple<int, QString, QString, QByteArray, QByteArray, int, bool>;
// A save of location 4 or "Update"; acting once the panel has written this; the
// locations still read afterwards (-1 any); the boxes shown, by the start of their text.
using FaultRow = std::tuple<bool, QByteArray, int, int, QStringList>;
enum Fault { HangUp, Silent, NoMarkers, LowerCase, Garbage, Late, Split, Updates, QuitNo, QuitYes };

} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void read_data()
    {
        const QByteArray cut = "Length = 100abcdeSpace = 250abcdString = 123ABC";
        table<ReadRow>(
            {{"factory", {"Zelvor 2.1", "5551234", "", "", ""}},
             {"two-line version, 26 tones",
              {"Z\r\n3.0 ", "0123456789ABCD*#0123456789", "", "", ""}},
             {"cut, 14 after the tones",
              {"", "", cut + "0123456789abcd", "100/250/123ABC", "100/250/123ABC0123456789abcd"}},
             {"cut ends the read", {"", "", cut, "100/250/", "//"}}});
    }
    void read()
    {
        const auto [firmware, tones, view, first, last] = fetch<ReadRow>();
        PanelRig rig;
        zsim::Options options = PanelRig::unpaced();
        options.firmware = firmware.toStdString();
        zsim::Memory memory = zsim::factoryDefaults();
        memory[2].tones = tones.toStdString();
        zsim::SimulatedDevice &device = rig.addDevice(1, options);
        device.setMemory(memory);
        Zelvo &panel = rig.start();
        QCOMPARE(panel.Firmware->text(), "Firmware Version: " + firmware);
        panel.Update[4]->setChecked(true);
        if (!view.isEmpty()) { // the digit is not sent; the answer to "V" is cut
            script(rig, device, {{'@', "Connect\r\n"}, {'V', view.toStdString()}});
            panel.UpdateButton->click();
            const bool whole = last != QLatin1String("//");
            QCOMPARE(rig.wire(1), "@@\r\n@R" + QByteArray("@V").repeated(whole ? 8 : 1));
            QCOMPARE(shown(panel).first(), first);
            QCOMPARE(shown(panel).last(), last);
            QCOMPARE(panel.MSComm1->portOpen(), whole);
            QCOMPARE(panel.StatusBox->text() == QLatin1String("Ready"), whole);
        }
        for (int round = 0; round < 2 && view.isEmpty(); ++round) { // one copy of the version
            rig.mark();
            panel.UpdateButton->click();
            COMPARE_TRANSCRIPT(rig, qPrintable(WireScript().update(memory, firmware).text));
            QCOMPARE(panel.Firmware->text(), "Firmware Version:" + firmware);
            QCOMPARE(shown(panel), held(memory));
        }
        QVERIFY(panel.Update[4]->isChecked()); // reading leaves the boxes alone
        QVERIFY(!panel.defPrompt()->isVisible());
    }

    void save_data()
    {
        const int No = QMessageBox::No, Yes = QMessageBox::Yes;
        table<SaveRow>(
            {{"length 19, space 020, no tones", {0, "19", "020", "", "20,020", Yes, 1}},
             {"length 020, space 19, 19 tones",
              {7, "020", "19", "0123456789ABCD*#012", "020,20", Yes, 1}},
             {"length 65535, 20 tones",
              {3, "65535", "65534.0", "0123456789ABCD*#0123", "65534,65534.0", Yes, 1}},
             {"space 70000", {5, "65534.0", "70000", "1", "65534.0,65534", Yes, 1}},
             {"the values texts begin with", {2, "300x", "12ab", "1A", "300x,20", Yes, 1}},
             {"nothing checked", {-1, "", "", "", "", Yes, 1}},
             {"answer No", {1, "99", "98", "999", "", No, 1}},
             {"no SS", {4, "300", "301", "7", "", Yes, 0}}});
    }
    void save()
    {
        const auto [location, length, space, tones, timing, answer, handshake] = fetch<SaveRow>();
        PanelRig rig;
        zsim::SimulatedDevice &device = rig.addDevice(1);
        Zelvo &panel = rig.start();
        if (location >= 0) {
            panel.Length[location]->setText(length);
            panel.Space[location]->setText(space);
            panel.MemString[location]->setText(QString::fromLatin1(tones));
            panel.Update[location]->setChecked(true);
        }
        QString corrected; // what the fields show when the read-back begins
        QObject::connect(panel.StatusBox, &StatusTextBox::textSet, &panel, [&](const QString &t) {
            if (t == QLatin1String("Reading the device settings") && location >= 0)
                corrected = panel.Length[location]->text() + ',' + panel.Space[location]->text();
        });
        rig.setTickHook([&, handshake = handshake] { // "@" is answered, "S" is not
            if (!handshake && device.quiescent())
                device.setFaults(device.received() == "@" ? silent() : zsim::Faults());
        });
        rig.boxes().answer(QMessageBox::StandardButton(answer));
        panel.Commit->click();

        WireScript s;
        s.box("Zelvor: Save Changes to Memory?");
        s.status(answer == QMessageBox::No ? "Save operation cancelled"
                                           : "Saving changes to device memory.\r\n");
        for (int i = 0; i < 8 && answer == QMessageBox::Yes; ++i) {
            const QByteArray digit = QByteArray::number(i);
            s.wait(10).prompt("Saving to Location # ");
            if (i != location)
                continue;
            s.prompt("Saving to Location #  " + digit).probe().wait(10).out("S");
            if (!handshake && s.wait(10).t)
                continue;
            s.in("SS\r\n").wait(10).out(digit + "\r\n").wait(10).out(timing + "\r\n").wait(10);
            for (const char tone : tones)
                s.out(QByteArray(1, tone)).wait(10);
            if (s.wait(10), tones.size() < 20)
                s.out(".");
        }
        s.update(device.memory()).wait(100).status("Ready");
        COMPARE_TRANSCRIPT(rig, qPrintable(s.text));
        if (location >= 0)
            QCOMPARE(corrected, timing.isEmpty() ? length + ',' + space : QString(timing));
        QCOMPARE(shown(panel), held(device.memory()));
        for (int i = 0; i < 8; ++i) // unchecked, written or not
            QCOMPARE(panel.Update[i]->isChecked(), answer == QMessageBox::No && i == location);
    }

    void reset_data()
    {
        table<std::tuple<bool, int>>({{"OK", {true, QMessageBox::Ok}},
                                      {"Cancel", {true, QMessageBox::Cancel}},
                                      {"OK without a port", {false, QMessageBox::Ok}}});
    }
    void reset()
    {
        const auto [device, answer] = fetch<std::tuple<bool, int>>();
        PanelRig rig;
        if (device)
            rig.addDevice(1).setMemory({{{"4444", 300, 301}}});
        Zelvo &panel = device ? rig.start() : startAlone(rig);
        const QStringList before = shown(panel);
        rig.boxes().answer(QMessageBox::StandardButton(answer));
        rig.boxes().answer(QMessageBox::Yes); // go on without a device
        panel.Reset->click();

        WireScript s;
        s.box("RESET: Are you sure? This will erase all current settings and restore defaults!");
        if (answer == QMessageBox::Ok)
            s.status("RESETTING\r\nOne moment please.");
        if (answer == QMessageBox::Ok && device)
            s.out("^0").wait(250).update(zsim::factoryDefaults());
        if (answer == QMessageBox::Ok && !device) {
            s.wait(250).status("Reading the device settings").wait(100).status("");
            s.prompt("Looking for a Zelvo").probe('x');
            for (int n = 1; n <= 4; ++n)
                s.status("Trying COM Port # " + QByteArray::number(n)).probe('x');
            s.box(NoDevice).status("");
        }
        COMPARE_TRANSCRIPT(rig, qPrintable(s.wait(100).status("Ready").text));
        QCOMPARE(shown(panel),
                 answer == QMessageBox::Ok && device ? held(zsim::factoryDefaults()) : before);
        const BoxAnswerer::Seen &warning = rig.boxes().seen()[device ? 0 : 1];
        QCOMPARE(warning.icon, QMessageBox::Warning);
        QCOMPARE(warning.buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(warning.defaultButton, QMessageBox::Cancel);
    }

    void panelButtons()
    {
        PanelRig rig;
        rig.addDevice(1);
        Zelvo &panel = rig.start();
        const QStringList before = shown(panel);
        panel.AllOn->click();
        for (QCheckBox *box : panel.Update)
            QVERIFY(box->isChecked());
        panel.AllOff->click();
        for (QCheckBox *box : panel.Update)
            QVERIFY(!box->isChecked());
        QCOMPARE(shown(panel), before);

        panel.Update[2]->setChecked(true);
        panel.ToneStr = QStringLiteral("$5");
        panel.multiPlay()->setTextMatrix(20, 3, QStringLiteral("40"));
        panel.Clear->click();
        COMPARE_TRANSCRIPT(rig, "0 status \"\"\n 100 status \"Ready\"");
        QCOMPARE(shown(panel), QStringList(8, QStringLiteral("//")));
        QVERIFY(panel.ToneStr.isEmpty());
        QCOMPARE(panel.multiPlay()->textMatrix(20, 3), QString());
        for (int i = 0; i < 8; ++i)
            QCOMPARE(panel.Update[i]->isChecked(), i == 2);
    }

    void fields_data()
    {
        table<std::tuple<int, int, int>>(
            {{"length 2", {0, 2, 5}}, {"space 7", {1, 7, 5}}, {"tones 0", {2, 0, 20}}});
    }
    void fields()
    {
        const auto [column, location, limit] = fetch<std::tuple<int, int, int>>();
        PanelRig rig;
        rig.addDevice(1);
        Zelvo &panel = rig.start();
        QLineEdit *field = std::array{panel.Length, panel.Space, panel.MemString}[column][location];
        panel.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&panel));
        QCOMPARE(panel.Focused, kTrue);
        field->clear();
        field->setFocus();
        QTRY_COMPARE(panel.Focused, kFalse);
        for (int i = 0; i < 25; ++i) // digits typed go into the field, not to the device
            QTest::keyClick(panel.windowHandle(), Qt::Key_5);
        QCOMPARE(field->text(), QString(limit, '5'));
        QTest::keyClick(panel.windowHandle(), Qt::Key_Tab); // on to the next field
        const auto *next = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(next && next != field);
        QCOMPARE(panel.Focused, kFalse);
        panel.KeyPad[4]->setFocus();
        QTRY_COMPARE(panel.Focused, kTrue);
        COMPARE_TRANSCRIPT(rig, "");
    }

    void faults_data()
    {
        const QStringList none, noDevice{NoDevice.mid(8)}, saveQuit{"Save Changes", "Quit."};
        table<FaultRow>(
            {{"hang-up in the search", {false, "@", HangUp, 0, noDevice}},
             {"hang-up in the read", {false, "@V1@V", HangUp, 2, none}},
             {"hang-up in a save", {true, "12", HangUp, -1, {"Save Changes", "Error "}}},
             {"silent", {false, "", Silent, 0, noDevice}},
             {"no markers", {false, "", NoMarkers, 0, noDevice}},
             {"lower-case markers", {false, "", LowerCase, 0, noDevice}},
             {"garbage", {false, "", Garbage, 0, noDevice}},
             {"replies 35 ticks late", {false, "", Late, 0, noDevice}},
             {"split replies", {false, "", Split, 8, none}},
             {"ten Updates in a read", {false, "@V3", Updates, -1, none}},
             {"Quit, No, in a save", {true, "4\r\n", QuitNo, 8, saveQuit}},
             {"Quit, Yes, in a save", {true, "4\r\n", QuitYes, -1, saveQuit}}});
    }
    void faults()
    {
        const auto [save, after, fault, kept, boxes] = fetch<FaultRow>();
        PanelRig rig;
        zsim::Options options = PanelRig::unpaced();
        options.linkPath = rig.linkPath(1).toStdString(); // the device can come back
        zsim::SimulatedDevice &device = rig.addDevice(1, options);
        Zelvo &panel = rig.start();
        zsim::Faults faults;
        faults.silent = fault == Silent;
        faults.noMarkers = fault == NoMarkers;
        faults.lowerCaseMarkers = fault == LowerCase;
        faults.garbage = fault == Garbage;
        faults.holdReplies = fault == Late;
        faults.splitAfter = fault == Split ? 3 : 0;
        faults.splitPauseMs = 5;
        device.setFaults(faults);
        int lastWrite = 0;
        QObject::connect(panel.MSComm1, &MSComm::written, &panel,
                         [&, f = fault, wanted = after,
                          seen = QByteArray()](int, const QByteArray &bytes) mutable {
                             lastWrite = rig.ticks();
                             if (wanted.isEmpty() || !(seen += bytes).endsWith(wanted))
                                 return;
                             wanted.clear(); // once
                             if (f == HangUp)
                                 device.hangUp();
                             for (int i = 0; f == Updates && i < 10; ++i)
                                 clickLater(panel.UpdateButton);
                             if (f == QuitNo || f == QuitYes)
                                 clickLater(panel.done);
                         });
        rig.setTickHook([&] { // replies come once the panel has stopped waiting for them
            if (rig.ticks() - lastWrite >= 35)
                device.releaseHeld();
        });
        for (const QString &box : boxes) // Yes, or No to Quit; a notice is closed
            rig.boxes().answer(fault == QuitNo && box == "Quit." ? QMessageBox::No
                                                                 : QMessageBox::Yes);
        panel.MemString[4]->setText(QStringLiteral("123ABC"));
        panel.Update[4]->setChecked(save);
        (save ? panel.Commit : panel.UpdateButton)->click();

        const QStringList texts = rig.boxes().texts();
        QCOMPARE(texts.size(), boxes.size());
        for (int i = 0; i < texts.size(); ++i)
            QVERIFY2(texts[i].startsWith(boxes[i]), qPrintable(texts[i]));
        QVERIFY(!panel.defPrompt()->isVisible());
        for (int i = 0; i < 8 && kept >= 0; ++i)
            QCOMPARE(panel.Length[i]->text().isEmpty(), i >= kept);
        if (save) // the edit is kept, or stored and read back
            QCOMPARE(panel.MemString[4]->text(), QStringLiteral("123ABC"));
        if (fault == QuitYes) { // nothing more goes out
            QVERIFY(!panel.MSComm1->portOpen());
            QVERIFY(QByteArray::fromStdString(device.received()).endsWith("4\r\n"));
            return;
        }

        // The next operation works: a save of location 4, read back.
        device.setFaults({});
        device.releaseHeld();
        QVERIFY(device.connected() || device.reconnect());
        if (!panel.MSComm1->portOpen())
            panel.COM1->trigger();
        panel.MemString[4]->setText(QStringLiteral("4321"));
        panel.Update[4]->setChecked(true);
        rig.boxes().answer(QMessageBox::Yes);
        panel.Commit->click();
        QCOMPARE(device.memory()[4].tones, std::string("4321"));
        QCOMPARE(shown(panel), held(device.memory()));
        QCOMPARE(panel.StatusBox->text(), QStringLiteral("Ready"));
    }
};

QTEST_MAIN(SettingsTest)
#include "tst_settings.moc"
