// SPDX-License-Identifier: GPL-3.0-or-later
// How the link waits: the processor time a long pause costs, and how closely
// a full start-up against the simulated device keeps to its tick count.
//
//   build/bench/bench_link [--tick-ms N]
//
// Targets: a 10-second pause uses under 1% of one core; the wall time of a
// start-up is within 1.05 of the time its ticks account for.

#include "app/zelvo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>
#include <ctime>

namespace {

double processorSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    int tickMs = 10;
    const QStringList arguments = QApplication::arguments();
    const qsizetype at = arguments.indexOf(QStringLiteral("--tick-ms"));
    if (at > 0 && at + 1 < arguments.size())
        tickMs = arguments[at + 1].toInt();

    // The simulated device runs as a program of its own, paced at 9600 baud
    // like the hardware, so the processor time measured is the panel's alone.
    QProcess device;
    device.start(QStringLiteral(ZELVOR_SIM_PATH), {});
    if (!device.waitForStarted() || !device.waitForReadyRead(10000)) {
        std::fprintf(stderr, "cannot start %s\n", ZELVOR_SIM_PATH);
        return 1;
    }
    const QString devicePath = QString::fromLocal8Bit(device.readLine()).trimmed();

    Zelvo::Config config;
    config.tickMs = tickMs;
    for (int port = 1; port <= 4; ++port)
        config.ports.setPath(port, QStringLiteral("/nonexistent/zelvor-bench-com%1").arg(port));
    config.ports.setPath(1, devicePath);
    Zelvo panel(config);

    QElapsedTimer wall;
    wall.start();
    panel.start();
    const double startupWall = double(wall.nsecsElapsed()) / 1e6;
    const qint64 ticks = panel.link().tickCount();
    const double startupTicks = double(ticks) * tickMs;
    std::printf("start-up: %.0f ms wall, %lld ticks of %d ms = %.0f ms; ratio %.3f "
                "(target <= 1.05)\n",
                startupWall, static_cast<long long>(ticks), tickMs, startupTicks,
                startupWall / startupTicks);

    const qint32 pauseTicks = 10000 / tickMs;
    const double cpuBefore = processorSeconds();
    wall.restart();
    panel.Pause(pauseTicks);
    const double pauseWall = double(wall.nsecsElapsed()) / 1e9;
    const double cpu = processorSeconds() - cpuBefore;
    std::printf("pause of %d ticks: %.2f s wall, %.4f s processor = %.3f%% of one core "
                "(target < 1%%)\n",
                pauseTicks, pauseWall, cpu, 100.0 * cpu / pauseWall);
    device.terminate();
    device.waitForFinished();
    return 0;
}
