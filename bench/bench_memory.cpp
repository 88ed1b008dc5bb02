// SPDX-License-Identifier: GPL-3.0-or-later
// What the panel costs in memory as its users start it: resident size and
// the Qt Multimedia libraries it maps, on real ports (no device answers, so it
// waits at its question), on a silent simulated device, and on the simulated
// device sounding on the sound card; beside a bare Qt Widgets window with a
// line of text, the floor any Qt panel stands on. Every program runs
// offscreen.
//
//   build/bench/bench_memory
//
// Target: without the sound card the panel maps no Qt Multimedia library.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

struct Footprint
{
    double residentMb = 0;
    double peakMb = 0;
    int multimediaMaps = 0;
};

Footprint footprintOf(qint64 pid)
{
    Footprint footprint;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() >= 2 && fields[0] == "VmRSS:")
                footprint.residentMb = fields[1].toDouble() / 1024;
            else if (fields.size() >= 2 && fields[0] == "VmHWM:")
                footprint.peakMb = fields[1].toDouble() / 1024;
        }
    }
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    if (maps.open(QIODevice::ReadOnly))
        footprint.multimediaMaps = int(maps.readAll().count("libQt6Multimedia"));
    return footprint;
}

// Waits until `path` has stopped growing for a second: the program has
// finished starting (or 30 s have passed).
void waitUntilQuiet(const QString &path)
{
    QElapsedTimer patience, quiet;
    patience.start();
    qint64 size = -1;
    while (patience.elapsed() < 30000) {
        const qint64 now = QFileInfo(path).size();
        if (now != size || now == 0) {
            size = now;
            quiet.start();
        } else if (quiet.elapsed() >= 1000) {
            return;
        }
        QThread::msleep(100);
    }
}

void report(const char *what, const Footprint &footprint)
{
    std::printf("%-44s %6.1f MB resident, peak %6.1f MB, %d Qt Multimedia mappings\n", what,
                footprint.residentMb, footprint.peakMb, footprint.multimediaMaps);
}

// One run of `program` with `arguments`, measured once it has settled; its
// progress is followed in the file whose name replaces "%1" in them.
bool measure(const char *what, const QString &program, QStringList arguments)
{
    QTemporaryDir dir;
    const QString progress = dir.filePath(QStringLiteral("progress"));
    arguments.replaceInStrings(QStringLiteral("%1"), progress);
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted()) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(program));
        return false;
    }
    waitUntilQuiet(progress);
    report(what, footprintOf(process.processId()));
    process.kill();
    process.waitForFinished();
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // The floor: this program again, as a bare window that writes one line
    // once it shows.
    if (argc == 3 && QByteArray(argv[1]) == "--floor") {
        QApplication app(argc, argv);
        QLabel window(QStringLiteral("Zelvor"));
        window.show();
        QFile progress(QString::fromLocal8Bit(argv[2]));
        QMetaObject::invokeMethod(
            &window,
            [&progress] {
                if (progress.open(QIODevice::WriteOnly))
                    progress.write("shown\n");
                progress.close();
            },
            Qt::QueuedConnection);
        return app.exec();
    }

    QCoreApplication app(argc, argv);
    const QString panel = QStringLiteral(ZELVOR_PROGRAM);
    QStringList noPorts;
    for (int port = 1; port <= 4; ++port)
        noPorts << QStringLiteral("--com%1").arg(port)
                << QStringLiteral("/nonexistent/com%1").arg(port);
    const QStringList trace{QStringLiteral("--trace"), QStringLiteral("%1")};
    const bool ok =
        measure("bare Qt Widgets window with text", QCoreApplication::applicationFilePath(),
                {QStringLiteral("--floor"), QStringLiteral("%1")}) &&
        measure("zelvor on real ports (no device)", panel, noPorts + trace) &&
        measure("zelvor --simulate --sim-audio none", panel,
                QStringList{QStringLiteral("--simulate"), QStringLiteral("--sim-audio"),
                            QStringLiteral("none")} +
                    trace) &&
        measure("zelvor --simulate (sound card)", panel,
                QStringList{QStringLiteral("--simulate")} + trace);
    return ok ? 0 : 1;
}
