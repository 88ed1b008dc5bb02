// SPDX-License-Identifier: GPL-3.0-or-later
// The zelvor program: reads the command line, starts the simulated device
// when asked to, and runs the panel.

#include "app/options.h"
#include "app/terminationsignals.h"
#include "app/zelvo.h"
#include "link/mscomm.h"
#include "link/trace.h"
#include "sim/devicesound.h"
#include "sim/simdevice.h"
#include "sim/soundcard.h"
#include "version.h"

#include <QApplication>
#include <QFile>
#include <QIcon>

#include <csignal>
#include <cstdio>
#include <memory>
#include <vector>

int main(int argc, char *argv[])
{
    // The command line is read before the window system is touched, so that
    // --help, --version and a wrong option work without a display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    Options options = parseOptions(arguments);
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "zelvor: %s\n\n%s", qPrintable(options.error),
                     qPrintable(usageText()));
        return 2;
    }
    if (options.help) {
        std::printf("%s", qPrintable(usageText()));
        return 0;
    }
    if (options.version) {
        std::printf("zelvor %s\n", ZELVOR_VERSION);
        return 0;
    }
    QFile traceFile;
    if (!options.traceFile.isEmpty()) {
        QString error;
        if (!Trace::openTarget(options.traceFile, &traceFile, &error)) {
            std::fprintf(stderr, "zelvor: cannot open the trace file %s: %s\n",
                         qPrintable(options.traceFile), qPrintable(error));
            return 2;
        }
    }

#ifdef Q_OS_UNIX
    // A reader of the trace or of the messages on standard error that goes
    // away (zelvor --trace - | head) makes the write fail, not the panel end.
    std::signal(SIGPIPE, SIG_IGN);
#endif

    // Qt gets the program name and its own options (-platform, -session, ...).
    std::vector<QByteArray> qtArguments{QByteArray(argv[0])};
    for (const QString &argument : options.qtArguments)
        qtArguments.push_back(argument.toLocal8Bit());
    std::vector<char *> qtArgv;
    for (QByteArray &argument : qtArguments)
        qtArgv.push_back(argument.data());
    qtArgv.push_back(nullptr);
    int qtArgc = static_cast<int>(qtArguments.size());
    QApplication app(qtArgc, qtArgv.data());
    QApplication::setApplicationName(QStringLiteral("zelvor"));
    QApplication::setApplicationVersion(QStringLiteral(ZELVOR_VERSION));
    // The desktop groups the windows under the installed menu entry.
    QApplication::setDesktopFileName(QStringLiteral("org.zelvor.Panel"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("org.zelvor.Panel"),
                         QIcon(QStringLiteral(":/icons/org.zelvor.Panel-64.png"))));
    // The panel ends through its own termination step, never because its
    // last visible window (the start-up prompt) was closed.
    QApplication::setQuitOnLastWindowClosed(false);

    std::unique_ptr<zsim::SimulatedDevice> device;
    if (options.simulatePort > 0) {
        device = std::make_unique<zsim::SimulatedDevice>();
        device->setLogSink([](const std::string &line) {
            std::fprintf(stderr, "zelvor-sim: %s\n", line.c_str());
        });
        std::string error;
        if (!device->start(&error)) {
            std::fprintf(stderr, "zelvor: cannot start the simulated device: %s\n", error.c_str());
            return 1;
        }
        options.ports.setPath(options.simulatePort, QString::fromStdString(device->portPath()));
        std::fprintf(stderr, "zelvor-sim: simulated device on COM%d (%s)\n", options.simulatePort,
                     device->portPath().c_str());
    }
    // What the simulated device plays: on the sound card, into a WAV file, or nowhere.
    std::unique_ptr<zsim::DeviceSound> sound;
    if (device && options.simAudio != QLatin1String("none")) {
        std::string problem;
        std::shared_ptr<zsim::SampleOutput> output =
            options.simAudio.isEmpty()
                ? zsim::openSoundCard(&problem)
                : zsim::openWavOutput(options.simAudio.toLocal8Bit().toStdString(), &problem);
        if (!output && !options.simAudio.isEmpty()) {
            std::fprintf(stderr, "zelvor: cannot write the sound file %s\n", problem.c_str());
            return 1;
        }
        if (!output)
            std::fprintf(stderr, "zelvor-sim: %s; the simulated device plays silently\n",
                         problem.c_str());
        else
            sound = std::make_unique<zsim::DeviceSound>(*device, std::vector{output});
    }

    Zelvo::Config config;
    config.ports = options.ports; // held for this run only, never saved
    config.tickMs = options.tickMs;
    Zelvo panel(config);
    if (traceFile.isOpen())
        new Trace(*panel.MSComm1, panel.link(), &traceFile, &panel);
    new TerminationSignals(&panel);
    panel.start();
    if (panel.hasEnded())
        return 0;
    return app.exec();
}
