// SPDX-License-Identifier: GPL-3.0-or-later
// The real zelvor program as a user starts and ends it: options read before
// any window (so they work without a display), Qt's own handed to Qt, the
// device found on the panel's own clock, and the program ended as a desktop
// ends it (a signal closes the main window through its frame) with its port
// closed and exit code 0. What the rig stands in for, the clock and the
// program's end, is real here.

#include "support/textrows.h"
#include "version.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// "%d" is a fresh folder. A row with a signal runs the panel with --trace
// (standard error a pipe whose reader went away where asked), sends the
// signal once the trace shows `until` and expects the port events of the trace
// ("PTY": the simulated device's port); a row without one ends by itself, its
// output (standard output for exit code 0, else standard error) holding `says`.
struct Run
{
    const char *name, *arguments;
    int signal;
    const char *until;
    int exitCode;
    const char *says;
    bool readerGone;
};

const Run runs[] = {
    {"help", "--help", 0, "", 0, "--trace FILE", false},
    {"-h", "-h", 0, "", 0, "-h, --help", false},
    {"version", "--version", 0, "", 0, "zelvor " ZELVOR_VERSION "\n", false},
    {"unknown option", "--bogus", 0, "", 2, "zelvor: unknown option: --bogus\n", false},
    {"trace file cannot be opened", "--trace %d/no/t", 0, "", 2,
     "zelvor: cannot open the trace file %d/no/t", false},
    {"sound without the simulated device", "--sim-audio none", 0, "", 2,
     "zelvor: --sim-audio is the simulated device's sound: it needs --simulate\n", false},
    {"path for the simulated device's port", "--simulate=2 --com2 /dev/ttyUSB0", 0, "", 2,
     "zelvor: --com2 names the port the simulated device takes (--simulate=2)\n", false},
    {"option given twice", "--tick-ms 5 --tick-ms 7", 0, "", 2,
     "zelvor: --tick-ms is given twice\n", false},
    {"an option for a value", "--trace --simulate", 0, "", 2,
     "zelvor: --trace needs a file name, or - for standard error\n", false},
    {"Qt's option without its value", "-platform", 0, "", 2, "zelvor: -platform needs a value\n",
     false},
    // The read of location 7 is start-up's last wait: then the event loop.
    {"logout once the window shows",
     "-platform offscreen -session x -style Fusion -reverse --simulate --sim-audio none", SIGTERM,
     R"( > 7\n\d+ \d+ < )", 0, "! COM1 PTY opened\n! COM1 PTY closed", false},
    {"Ctrl+C in the search, standard error gone",
     "--platform offscreen --simulate=3 --com1 %d/1 --com2 %d/2 --com4 %d/4 --tick-ms 50 "
     "--sim-audio %d/sound.wav",
     SIGINT, "< Connect", 0,
     "! COM1 %d/1 failed: No such file or directory\n"
     "! COM2 %d/2 failed: No such file or directory\n"
     "! COM3 PTY opened\n! COM3 PTY closed",
     true},
    {"logout at the no-device question",
     "-platform offscreen --com1 %d/1 --com2 %d/2 --com3 %d/3 --com4 %d/4", SIGTERM,
     "COM4 .* failed", 0,
     "! COM1 %d/1 failed: No such file or directory\n"
     "! COM2 %d/2 failed: No such file or directory\n"
     "! COM3 %d/3 failed: No such file or directory\n"
     "! COM4 %d/4 failed: No such file or directory",
     false},
};

} // namespace

class ProgramTest : public QObject
{
    Q_OBJECT

private slots:
    void run_data() { indexRows(runs); }

    void run()
    {
        QFETCH(int, row);
        const Run &r = runs[row];
        QStringList arguments = QString::fromLatin1(r.arguments).split(u' ');
        QString says = QString::fromLatin1(r.says);
        QTemporaryDir dir;
        const QString trace = dir.filePath(QStringLiteral("trace"));
        if (r.signal != 0)
            arguments << QStringLiteral("--trace") << trace;
        arguments.replaceInStrings(QStringLiteral("%d"), dir.path());
        const auto traced = [&] {
            QFile file(trace);
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        };
        // No display: a window shows only where -platform says.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(name));
        QProcess program;
        program.setProcessEnvironment(environment);
        int gone[2] = {-1, -1}; // as in "zelvor ... 2>&1 | head -3" once head has ended
        if (r.readerGone) {
            QVERIFY(::pipe2(gone, O_CLOEXEC) == 0);
            ::close(gone[0]);
        }
        program.setChildProcessModifier([out = gone[1]] {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL); // no panel outlives a test stopped by force
            if (out >= 0)
                ::dup2(out, STDERR_FILENO);
        });
        program.start(QStringLiteral(ZELVOR_PROGRAM), arguments);
        if (r.readerGone)
            ::close(gone[1]);
        if (r.signal != 0) {
            const QRegularExpression mark(QString::fromLatin1(r.until));
            QTRY_VERIFY_WITH_TIMEOUT(
                traced().contains(mark) || program.state() == QProcess::NotRunning, 120000);
            QVERIFY2(program.state() == QProcess::Running, qPrintable(traced()));
            ::kill(static_cast<pid_t>(program.processId()), r.signal);
        }
        QVERIFY(program.waitForFinished(60000));
        const QByteArray errors = program.readAllStandardError();
        QVERIFY2(program.exitStatus() == QProcess::NormalExit, errors.constData());
        QCOMPARE(program.exitCode(), r.exitCode);
        says.replace(QStringLiteral("%d"), dir.path());
        if (r.signal == 0) {
            const QByteArray output = r.exitCode == 0 ? program.readAllStandardOutput() : errors;
            QVERIFY2(output.contains(says.toUtf8()), output.constData());
            return;
        }
        // The port's events, and the panel's clock against the wall clock:
        // its ticks run on their own at about the length asked.
        static const QRegularExpression line(QStringLiteral(R"(^(\d+) (\d+) ([<>!] .*)$)"),
                                             QRegularExpression::MultilineOption);
        static const QRegularExpression pty(QStringLiteral("/dev/pts/\\d+"));
        QStringList events;
        qint64 first[2] = {-1, -1}, last[2] = {};
        for (auto matches = line.globalMatch(traced()); matches.hasNext();) {
            const QRegularExpressionMatch match = matches.next();
            for (int i : {0, 1}) {
                last[i] = match.captured(i + 1).toLongLong();
                first[i] = first[i] < 0 ? last[i] : first[i];
            }
            if (match.captured(3).startsWith(u'!'))
                events << match.captured(3).replace(pty, QStringLiteral("PTY"));
        }
        QCOMPARE(events.join(u'\n'), says);
        const int at = arguments.indexOf(QStringLiteral("--tick-ms"));
        const qint64 tickMs = at < 0 ? 10 : arguments[at + 1].toInt();
        const qint64 wallMs = last[0] - first[0], panelMs = (last[1] - first[1]) * tickMs;
        QVERIFY2(panelMs <= wallMs * 3 / 2 + 100 && panelMs >= wallMs / 4 - 100,
                 qPrintable(QStringLiteral("%1 ms of ticks in %2 ms").arg(panelMs).arg(wallMs)));
        if (arguments.contains(dir.filePath(QStringLiteral("sound.wav")))) {
            QFile sound(dir.filePath(QStringLiteral("sound.wav")));
            QVERIFY(sound.open(QIODevice::ReadOnly) && sound.read(4) == "RIFF");
        }
    }
};

QTEST_GUILESS_MAIN(ProgramTest)
#include "tst_program.moc"
