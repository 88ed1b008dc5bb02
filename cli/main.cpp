// SPDX-License-Identifier: GPL-3.0-or-later
// The zelvor-cli program: reads the command line, starts the simulated
// device when asked to, and runs one command against the device.

#include "cli/cliargs.h"
#include "cli/session.h"
#include "link/devicelink.h"
#include "link/ticks.h"
#include "link/trace.h"
#include "sim/simdevice.h"
#include "version.h"

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

int interruptPipe[2] = {-1, -1};

// Ctrl+C: only tells the event loop; a second one ends the program at once.
void onInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(interruptPipe[1], &byte, 1);
    std::signal(SIGINT, SIG_DFL);
}

int finish(ExitCode code, const QString &error)
{
    if (!error.isEmpty())
        std::fprintf(stderr, "zelvor-cli: %s\n", qPrintable(error));
    return static_cast<int>(code);
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CliRequest request = parseCliArguments(arguments);
    if (request.help) {
        std::printf("%s", qPrintable(cliUsageText()));
        return 0;
    }
    if (request.version) {
        std::printf("zelvor-cli %s\n", ZELVOR_VERSION);
        return 0;
    }
    if (request.error.isEmpty() && request.simulate && !request.portPath.isEmpty())
        return finish(ExitCode::Usage, QStringLiteral("--simulate cannot be used with --port"));
    if (!request.error.isEmpty())
        return finish(ExitCode::Usage, request.error + QStringLiteral(" (see --help)"));

    QCoreApplication app(argc, argv);
    // A reader of the trace or of the output that goes away (zelvor-cli read | head -1)
    // makes the write fail, not the program end.
    std::signal(SIGPIPE, SIG_IGN);
    QFile traceFile;
    if (!request.traceFile.isEmpty()) {
        QString error;
        if (!Trace::openTarget(request.traceFile, &traceFile, &error))
            return finish(ExitCode::Usage, QStringLiteral("cannot open the trace file ") +
                                               request.traceFile + QStringLiteral(": ") + error);
    }

    // The same paths as the panel's: given for this run, else saved, else automatic.
    CliSession::Setup setup;
    setup.onlyPort = request.com;
    if (!request.portPath.isEmpty()) {
        setup.ports.given.setPath(PortMap::FirstPort, request.portPath);
        setup.onlyPort = PortMap::FirstPort;
    }
    setup.tickMs = request.tickMs;
    std::unique_ptr<zsim::SimulatedDevice> device;
    if (request.simulate) {
        device = std::make_unique<zsim::SimulatedDevice>();
        std::string error;
        if (!device->start(&error))
            return finish(ExitCode::DeviceFailed,
                          QStringLiteral("cannot start the simulated device: ") +
                              QString::fromStdString(error));
        setup.ports.given.setPath(request.com > 0 ? request.com : PortMap::FirstPort,
                                  QString::fromStdString(device->portPath()));
    }
    TimerTicks ticks(request.tickMs);
    setup.ticks = &ticks;
    // The progress line, for people watching a terminal only.
    if (::isatty(STDERR_FILENO)) {
        setup.progress = [](const QString &text) {
            std::fprintf(stderr, "\r%s\033[K", qPrintable(text.simplified()));
            std::fflush(stderr);
        };
    }
    CliSession session(setup);
    if (traceFile.isOpen())
        new Trace(session.port(), session.link(), &traceFile, &session);

    std::unique_ptr<QSocketNotifier> interrupts;
    if (::pipe(interruptPipe) == 0) {
        ::fcntl(interruptPipe[0], F_SETFD, FD_CLOEXEC);
        ::fcntl(interruptPipe[1], F_SETFD, FD_CLOEXEC);
        interrupts = std::make_unique<QSocketNotifier>(interruptPipe[0], QSocketNotifier::Read);
        QObject::connect(interrupts.get(), &QSocketNotifier::activated, &session, [&] {
            char byte;
            [[maybe_unused]] const auto read = ::read(interruptPipe[0], &byte, 1);
            session.interrupt();
        });
        std::signal(SIGINT, onInterrupt);
    }

    QFile out;
    out.open(stdout, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
    const ExitCode code = session.execute(request, out);
    out.close();
    return finish(code, session.error());
}
