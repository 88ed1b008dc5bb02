// SPDX-License-Identifier: GPL-3.0-or-later
// The settings panel: reading the device, saving, factory reset, the panel's
// own buttons and fields, and the faults around them.

#include "app/defprompt.h"
#include "link/mscomm.h"
#include "play/keypad.h"
#include "play/multiplay.h"
#include "support/expected.h"
#include "widgets/statusbox.h"

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
        rows << panel.settings().Length[i]->text() + '/' + panel.settings().Space[i]->text() + '/' +
                    panel.settings().MemString[i]->text();
    return rows;
}

QStringList held(const zsim::Memory &memory)
{
    QStringList rows;
    for (const zsim::Location &at : memory)
        rows << QStringLiteral("%1/%2/%3").arg(at.length).arg(at.space).arg(at.tones.c_str());
    return rows;
}

// The update boxes, "00100000" for location 2 alone.
QString checked(Zelvo &panel)
{
    QString marks;
    for (QCheckBox *box : panel.settings().Update)
        marks += box->isChecked() ? '1' : '0';
    return marks;
}

// A save: the locations checked ("246" for 2, 4 and 6) and what each is given,
// the timing line sent, the answer to the question, whether the device gives
// "SS" (else "ss"), and its line rate (0: unpaced).
struct SaveRow
{
    QByteArray locations;
    QString length, space;
    QByteArray tones, timing;
    int answer;
    bool handshake;
    int lineRate;
};
// A save of location 4 or "Update"; acting once the panel has written `after`
// (the device hangs up once it has read it); the boxes shown, by name (see faults()).
struct FaultRow
{
    bool save;
    QByteArray after;
    int fault;
    QString boxes;
};
// The answer to the question, with a device on COM1 or none.
struct ResetRow
{
    int answer;
    bool device;
};
enum Fault { HangUp, LowerCase, Garbage, Updates, QuitNo, QuitYes };

} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void readCut()
    {
        // "V" is answered with a lower-case "vm": the digit is not sent, and the cut of
        // the answer fails after the length and space, which stay; the read ends there.
        PanelRig rig;
        zsim::SimulatedDevice &device = rig.addDevice(1);
        Zelvo &panel = rig.start();
        panel.settings().Update[4]->setChecked(true);
        device.setFaults(Silent);
        rig.setTickHook([&, done = device.received().size()]() mutable {
            for (const std::string got = device.received(); done < got.size(); ++done)
                if (got[done] == '@' || got[done] == 'V')
                    device.inject(got[done] == '@'
                                      ? "Connect\r\n"
                                      : "vm\r\nLength = 100abcdeSpace = 250abcdString = 1");
        });
        panel.settings().UpdateButton->click();
        QCOMPARE(rig.wire(1), "@@\r\n@R@V");
        QCOMPARE(shown(panel).join(' '), "100/250/ // // // // // // //");
        QVERIFY(!panel.MSComm1->portOpen() && panel.StatusBox->text() != QLatin1String("Ready"));
        QCOMPARE(checked(panel), "00001000"); // reading leaves the boxes alone
    }

    void save_data()
    {
        const int No = QMessageBox::No, Yes = QMessageBox::Yes;
        const QByteArray tones = "0123456789ABCD*#0123";
        const QString digits = QString(2497, u'0') + QStringLiteral("100"); // in range, whole
        table<SaveRow>(
            {{"length 19, space 020, no tones", {"0", "19", "020", "", "20,020", Yes, 1, 0}},
             {"020/19, 19 tones", {"7", "020", "19", tones.left(19), "020,20", Yes, 1, 0}},
             {"65534.0/65535, 20 tones",
              {"3", "65534.0", "65535", tones, "65534.0,65534", Yes, 1, 0}},
             {"locations 2, 4, 6 in one go; the values texts begin with",
              {"246", "300x", "12ab", "1A", "300x,20", Yes, 1, 0}},
             {"answer No", {"1", "99", "98", "999", "", No, 1, 0}},
             {"a string with commands in it: passed over, said",
              {"5", "99", "98", "9.^0", "", Yes, 1, 0}},
             {"lower-case ss", {"4", "300", "301", "7", "", Yes, 0, 0}},
             {"a length set whole by the program, at 9600 baud",
              {"2", digits, "60", "5551234", digits.toLatin1() + ",60", Yes, 1, 9600}}});
    }
    void save()
    {
        const auto [locations, length, space, tones, timing, answer, handshake, lineRate] =
            fetch<SaveRow>();
        PanelRig rig;
        zsim::Options options = PanelRig::unpaced();
        options.lineRate = lineRate;
        zsim::SimulatedDevice &device = rig.addDevice(1, options);
        Zelvo &panel = rig.start();
        for (const char digit : locations) {
            const int i = digit - '0';
            panel.settings().Length[i]->setText(length);
            panel.settings().Space[i]->setText(space);
            panel.settings().MemString[i]->setText(QString::fromLatin1(tones));
            panel.settings().Update[i]->setChecked(true);
        }
        const QString boxes = checked(panel);
        rig.setTickHook([&, handshake = handshake] { // "@" is answered, "S" in lower case
            if (!handshake && device.quiescent())
                device.setFaults(device.received() == "@" ? LowerCaseMarkers : zsim::Faults());
        });
        rig.boxes().answer(QMessageBox::StandardButton(answer));
        panel.settings().Commit->click();

        WireScript s;
        s.box("Zelvor: Save Changes to Memory?");
        s.status(answer == QMessageBox::No ? "Save operation cancelled"
                                           : "Saving changes to device memory.\r\n");
        for (int i = 0; i < 8 && answer == QMessageBox::Yes; ++i) {
            const QByteArray digit = QByteArray::number(i);
            s.wait(10).prompt("Saving to Location # ");
            if (!locations.contains(digit))
                continue;
            s.prompt("Saving to Location #  " + digit);
            if (tones.contains('.')) { // the device would end the string there and reset itself
                s.box("Zelvor: Location " + digit +
                      " was not saved: its string may hold only the tones 0-9, A-D, * and #.");
                continue;
            }
            s.probe().wait(10).out("S");
            s.in(handshake ? "SS\r\n" : "ss\r\n").wait(10);
            if (!handshake)
                continue;
            s.out(digit + "\r\n").wait(10).out(timing + "\r\n").wait(10);
            for (const char tone : tones)
                s.out(QByteArray(1, tone)).wait(10);
            s.wait(10);
            if (tones.size() < 20)
                s.out(".");
        }
        s.update(device.memory()).wait(100).status("Ready");
        COMPARE_TRANSCRIPT(rig, qPrintable(s.text));
        QCOMPARE(shown(panel), held(device.memory()));
        QCOMPARE(panel.settings().Firmware->text(),
                 "Firmware Version:Zelvor 2.1"); // after the caption, once
        QCOMPARE(checked(panel), answer == QMessageBox::No ? boxes : QStringLiteral("00000000"));
    }

    void reset_data()
    {
        const int Ok = QMessageBox::Ok, Cancel = QMessageBox::Cancel;
        table<ResetRow>({{"OK", {Ok, 1}},
                         {"Cancel", {Cancel, 1}},
                         {"OK, no device: no write, no error", {Ok, 0}}});
    }
    void reset()
    {
        const auto [answer, device] = fetch<ResetRow>();
        PanelRig rig;
        if (device)
            rig.addDevice(1).setMemory({{{"4444", 300, 301}}});
        else
            rig.boxes().answer(QMessageBox::Yes);
        Zelvo &panel = rig.start();
        const QStringList before = shown(panel);
        rig.boxes().answer(QMessageBox::StandardButton(answer));
        rig.boxes().answer(QMessageBox::Yes); // the search's question, when it comes
        panel.settings().Reset->click();

        WireScript s;
        s.box("RESET: Are you sure? This will erase all current settings and restore defaults!");
        const zsim::Memory defaults = zsim::factoryDefaults();
        if (answer == QMessageBox::Ok && device)
            s.status("RESETTING\r\nOne moment please.").out("^0").wait(250).update(defaults);
        if (answer == QMessageBox::Ok && !device) // nothing written; the search finds none
            s.status("RESETTING\r\nOne moment please.").wait(250).update(std::nullopt);
        COMPARE_TRANSCRIPT(rig, qPrintable(s.wait(100).status("Ready").text));
        QCOMPARE(shown(panel), answer == QMessageBox::Ok && device ? held(defaults) : before);
        QCOMPARE(rig.boxes().seen().at(device ? 0 : 1).defaultButton, QMessageBox::Cancel);
    }

    void panelButtons()
    {
        PanelRig rig;
        rig.addDevice(1);
        Zelvo &panel = rig.start();
        panel.settings().AllOn->click();
        QCOMPARE(checked(panel), "11111111");
        panel.settings().AllOff->click();
        panel.settings().Update[2]->setChecked(true);
        panel.keypad()->ToneStr = QStringLiteral("$5");
        panel.multiPlay()->setTextMatrix(20, 3, QStringLiteral("40"));
        panel.settings().Clear->click(); // the locations and the tones to play, not the boxes
        COMPARE_TRANSCRIPT(rig, "0 status \"\"\n 100 status \"Ready\"");
        QCOMPARE(shown(panel), QStringList(8, QStringLiteral("//")));
        QVERIFY(panel.keypad()->ToneStr.isEmpty() &&
                panel.multiPlay()->textMatrix(20, 3).isEmpty());
        QCOMPARE(checked(panel), "00100000"); // the others unchecked by "All Off"
    }

    void faults_data()
    {
        table<FaultRow>({{"hang-up in the search", {false, "@", HangUp, "none"}},
                         {"hang-up in the read", {false, "@V1@V", HangUp, ""}},
                         {"hang-up in a save", {true, "12", HangUp, "save|lost"}},
                         {"lower-case markers", {false, "", LowerCase, "none"}},
                         {"garbage", {false, "", Garbage, "none"}},
                         {"ten Updates in a read", {false, "@V3", Updates, ""}},
                         {"Quit, No, in a save", {true, "4\r\n", QuitNo, "save|quit"}},
                         {"Quit, Yes, in a save", {true, "4\r\n", QuitYes, "save|quit"}}});
    }
    void faults()
    {
        const auto [save, after, fault, boxes] = fetch<FaultRow>();
        PanelRig rig;
        zsim::Options options = PanelRig::unpaced();
        options.linkPath = rig.linkPath(1).toStdString(); // the device can come back
        zsim::SimulatedDevice &device = rig.addDevice(1, options);
        Zelvo &panel = rig.start();
        zsim::Faults faults;
        faults.lowerCaseMarkers = fault == LowerCase;
        faults.garbage = fault == Garbage;
        device.setFaults(faults);
        if (fault == HangUp)
            device.hangUpOnReading(after.toStdString());
        QObject::connect(
            panel.MSComm1, &MSComm::written, &panel,
            [&panel, f = fault, wanted = after,
             seen = QByteArray()](int, const QByteArray &bytes) mutable {
                if (f < Updates || wanted.isEmpty() || !(seen += bytes).endsWith(wanted))
                    return;
                wanted.clear(); // once
                QPushButton *button = f == Updates ? panel.settings().UpdateButton : panel.done;
                for (int i = 0; i < (f == Updates ? 10 : 1); ++i)
                    QMetaObject::invokeMethod(button, &QPushButton::click, Qt::QueuedConnection);
            });
        const std::map<QString, QString> texts{
            {"none", "Error! No open Comm Ports or Zelvo found.\r\n Do you wish to continue?"},
            {"lost", "Error  5\r\nThe connection to the device was lost; the port has been closed"},
            {"save", "Save Changes to Memory?"},
            {"quit", "Quit. Are you sure?"}};
        QStringList shownTexts;
        for (const QString &box : boxes.split('|', Qt::SkipEmptyParts)) { // Yes, or No to Quit
            shownTexts << texts.at(box);
            rig.boxes().answer(fault == QuitNo && box == "quit" ? QMessageBox::No
                                                                : QMessageBox::Yes);
        }
        panel.settings().MemString[4]->setText(QStringLiteral("123ABC"));
        panel.settings().Update[4]->setChecked(save);
        (save ? panel.settings().Commit : panel.settings().UpdateButton)->click();

        QCOMPARE(rig.boxes().texts(), shownTexts);
        QVERIFY(!panel.defPrompt()->isVisible());
        if (fault == Updates || fault == QuitNo) // read whole
            QCOMPARE(shown(panel), held(device.memory()));
        if (save) // the edit is kept, or stored and read back
            QCOMPARE(panel.settings().MemString[4]->text(), QStringLiteral("123ABC"));
        if (fault == QuitYes) { // nothing more goes out
            QVERIFY(QByteArray::fromStdString(device.received()).endsWith("4\r\n"));
            return;
        }

        // The next operation works.
        device.setFaults({});
        QVERIFY(device.connected() || device.reconnect());
        if (!panel.MSComm1->portOpen())
            panel.portMenu().COM1->trigger();
        panel.settings().UpdateButton->click();
        QCOMPARE(shown(panel), held(device.memory()));
        QCOMPARE(panel.StatusBox->text(), QStringLiteral("Ready"));
    }
};

QTEST_MAIN(SettingsTest)
#include "tst_settings.moc"
