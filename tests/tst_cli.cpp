// SPDX-License-Identifier: GPL-3.0-or-later
// zelvor-cli against simulated devices: each command says on the line what
// the panel's own operation says (same bytes, same ticks), a written file
// reads back, and each way of failing has its exit code.

#include "cli/session.h"
#include "link/commands.h"
#include "play/keypad.h"
#include "play/multiplay.h"
#include "support/operationrows.h"

#include <QBuffer>
#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>

namespace {

// A configuration file: locations 2 and 5 out of the range the device
// stores, the rest as the defaults hold them; a tone list of two rows.
const QByteArray File = "0123456789,100,50\r\n*#ABCD,80,40\r\n19D,12,65535\r\n,100,100\r\n"
                        "123A456B789C*0#D,60,40\r\n#,12,25\r\nABCD,20,20\r\n#,65534,20\r\n"
                        "5,100,50\r\n#,250,20\r\n" +
                        QByteArray(",,\r\n").repeated(18);

// A device on COM1 that says "Ready" at the first tick after each location
// digit of a memory play has reached it, not when its own thread gets to it.
void addDevice(PanelRig &rig)
{
    zsim::SimulatedDevice &device = rig.addDevice(1);
    device.setFaults(faultsOf(&zsim::Faults::neverReady));
    rig.setTickHook([&rig, &device, readys = qsizetype(0)]() mutable {
        const QRegularExpression digit("M[0-7]\r\n");
        for (; readys < QString::fromLatin1(rig.wire(1)).count(digit); ++readys)
            device.inject("Ready\r\n");
    });
}

// The line events of a transcript: writes and replies with their ticks.
QStringList wireOf(const QStringList &transcript)
{
    return transcript.filter(QRegularExpression(R"(^\d+ \d?[<>] )"));
}

struct CliRun
{
    ExitCode code;
    QString error;
    QByteArray out;
    QStringList wire;
};

// Runs zelvor-cli with `arguments` over the devices of `rig`; the transcript
// starts once the device was found (where `found` may act), or at the start
// with `fromStart`.
CliRun runCli(PanelRig &rig, const QString &arguments, bool fromStart = false,
              const std::function<void(CliSession &)> &found = {})
{
    const CliRequest request = parseCliArguments(arguments.split(u' '));
    if (!request.error.isEmpty())
        return {ExitCode::Usage, request.error, {}, {}};
    CliSession::Setup setup;
    setup.ports = rig.portSources();
    setup.onlyPort = request.com;
    setup.ticks = &rig.tickSource();
    CliSession *session = nullptr;
    setup.found = [&] {
        if (found)
            found(*session);
        if (!fromStart)
            rig.mark();
    };
    CliSession cli(setup);
    session = &cli;
    rig.attach(cli.port(), [s = QPointer<CliSession>(&cli)] { return s && s->isPausing(); });
    rig.mark();
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    const ExitCode code = cli.execute(request, out);
    return {code, cli.error(), out.data(), wireOf(rig.transcript())};
}

// Runs the panel's operation `what` (with `arg`) on a started panel.
void runPanel(PanelRig &rig, const QString &what, const QString &arg)
{
    Zelvo &zelvo = rig.panel();
    const QStringList lines = QString::fromLatin1(File).split("\r\n");
    if (what == "save") {
        for (const QChar c : arg) {
            const int i = c.digitValue();
            const QStringList line = lines[i].split(u',');
            zelvo.settings().MemString[i]->setText(line[0]);
            zelvo.settings().Length[i]->setText(line[1]);
            zelvo.settings().Space[i]->setText(line[2]);
            zelvo.settings().Update[i]->setChecked(true);
        }
        rig.boxes().answer(QMessageBox::Yes);
        zelvo.settings().Commit->click();
    } else if (what == "reset") {
        rig.boxes().answer(QMessageBox::Ok);
        zelvo.settings().Reset->click();
    } else if (what == "memory" || what == "timed") {
        runPlays(zelvo, what + u' ' + arg);
    } else if (what == "send") {
        for (int r = 1; r <= 2; ++r)
            for (int c = 1; c <= 3; ++c)
                zelvo.multiPlay()->setTextMatrix(r, c, lines[7 + r].section(u',', c - 1, c - 1));
        zelvo.multiPlay()->Send_Click();
    } else if (what == "keys") {
        for (const QChar c : arg) {
            zelvo.keypad()->KeyPad_MouseDown(int(QString("1234567890*#ABCD").indexOf(c)), 1, 0, 0,
                                             0);
            zelvo.link().Pause(zcmd::DialGapTicks);
        }
    }
}

const struct
{
    const char *name, *arguments, *panel; // the panel's operation: see runPanel()
} sameRows[] = {
    {"find: the search, up to the firmware", "find", "start"},
    {"read: the start-up read", "read --csv -", "start"},
    {"write: Save to Zelvo with its read-back", "write set.zlv.csv --locations 2,5", "save 25"},
    {"reset", "reset", "reset"},
    {"play: Memory Play", "play 70", "memory 70 [ok]"},
    {"tone: Timed Play", "tone a 1000", "timed ta d1000 [ok]"},
    {"list: Multi Play's send", "list set.zlv.csv", "send"},
    {"dial: keypad clicks", "dial 5#", "keys 5#"},
};

const struct
{
    const char *name, *arguments;
    int code;
    const char *error;
} exitRows[] = {
    {"1: the line drops", "write set.zlv.csv", 1,
     "the read-back failed: the device no longer answers"},
    {"2: usage", "tone 5 19", 2, "Time must be 20 milliseconds or greater."},
    {"3: no device on the port given", "--com 2 play 3", 3, "no Zelvor found: COM2 ("},
    {"4: commands in a tone string, nothing sent", "write broken.csv", 4,
     "broken.csv: line 3: the tones"},
    {"0: a broken line that is not sent", "write broken.csv --locations 0,5", 0, ""},
    {"130: Ctrl+C during a play sends Abort", "play 3", 130, "interrupted"},
};

} // namespace

class CliTest : public QObject
{
    Q_OBJECT

private slots:
    // The file, and a broken one, in the folder the tool runs in.
    void initTestCase()
    {
        QVERIFY(QDir::setCurrent(m_dir.path()));
        QFile file("set.zlv.csv"), broken("broken.csv");
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(File) == File.size());
        QVERIFY(broken.open(QIODevice::WriteOnly) &&
                broken.write(QByteArray(File).replace("19D", "19.M")) == File.size() + 1);
    }

    void sameTranscriptAsThePanel_data() { indexRows(sameRows); }
    void sameTranscriptAsThePanel()
    {
        QFETCH(int, row);
        const QString arguments = sameRows[row].arguments;
        const QString panel = sameRows[row].panel;
        const bool fromStart = panel == "start";
        // One rig at a time: each answers every message box it sees.
        const CliRun cli = [&] {
            PanelRig cliRig;
            addDevice(cliRig);
            return runCli(cliRig, arguments, fromStart);
        }();
        QCOMPARE(cli.error, QString());

        PanelRig rig;
        addDevice(rig);
        if (fromStart) {
            rig.panel();
            rig.mark();
            rig.panel().start();
        } else {
            rig.start();
            runPanel(rig, panel.section(u' ', 0, 0), panel.section(u' ', 1));
        }
        // find stops where the panel goes on to read the locations.
        QCOMPARE(cli.wire,
                 wireOf(rig.transcript()).mid(0, arguments == "find" ? cli.wire.size() : -1));
    }

    // What `write` saved, `read --csv` gives back, brought into the range the device stores.
    void writtenFileReadsBack()
    {
        PanelRig rig;
        addDevice(rig);
        QCOMPARE(int(runCli(rig, "write set.zlv.csv").code), 0);
        const CliRun read = runCli(rig, "read --csv -");
        QByteArray expected = File;
        expected.replace("19D,12,65535", "19D,20,65534").replace("#,12,25", "#,20,25");
        QCOMPARE(read.out,
                 expected.left(expected.indexOf("5,100,50")) + QByteArray(",,\r\n").repeated(20));
    }

    void exitCodes_data() { indexRows(exitRows); }
    void exitCodes()
    {
        QFETCH(int, row);
        const int code = exitRows[row].code;
        PanelRig rig;
        rig.addDevice(1);
        const CliRun cli = runCli(rig, exitRows[row].arguments, true, [&](CliSession &session) {
            if (code == 1)
                rig.device(1).hangUp();
            if (code == 130)
                QTimer::singleShot(0, &session, [&session] { session.interrupt(); });
        });
        QCOMPARE(int(cli.code), code);
        QVERIFY2(cli.error.contains(exitRows[row].error), qPrintable(cli.error));
        if (code == 4)
            QCOMPARE(cli.wire, QStringList());
        if (code == 130) // the Abort's line break and tone stop end the conversation
            QCOMPARE(
                cli.wire.mid(cli.wire.size() - 2).join(u' ').remove(QRegularExpression("\\d+ ")),
                R"(> "\r\n" > "%")");
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(CliTest)
#include "tst_cli.moc"
