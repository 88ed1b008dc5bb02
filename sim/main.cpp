// SPDX-License-Identifier: GPL-3.0-or-later
// zelvor-sim: a simulated Zelvor on a pseudo-terminal, for trying the panel
// without the hardware. Prints the port path on the first line, then one line
// for everything the device does, until interrupted.

#include "sim/devicesound.h"
#include "sim/simdevice.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <signal.h>
#include <string>

namespace {

void printUsage(std::ostream &stream, const char *program)
{
    stream << "Usage: " << program << " [options]\n"
           << "Runs a simulated Zelvor tone generator on a pseudo-terminal.\n"
           << "The first line printed is the port to open; then one line per action.\n\n"
           << "Options:\n"
           << "  --link PATH       also make PATH a symbolic link to the port\n"
           << "  --unpaced         send replies at once instead of at 9600 baud\n"
           << "  --line-rate BAUD  run the line at BAUD both ways: replies go out and what\n"
           << "                    is written comes in no faster (10 bits a character)\n"
           << "  --play-scale X    multiply every playing time by X (0 plays instantly)\n"
           << "  --audio FILE|none write the DTMF sound the device plays to a WAV file\n"
           << "                    (8 kHz, 16-bit mono; default none)\n"
           << "  --help            show this text\n";
}

bool parseRate(const char *text, int *rate)
{
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 1 || value > 10000000)
        return false;
    *rate = int(value);
    return true;
}

bool parseScale(const char *text, double *scale)
{
    char *end = nullptr;
    errno = 0;
    const double value = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !(value >= 0.0))
        return false;
    *scale = value;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    zsim::Options options;
    std::string audioPath;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--help" || argument == "-h") {
            printUsage(std::cout, argv[0]);
            return 0;
        } else if (argument == "--unpaced") {
            options.paced = false;
        } else if (argument == "--audio" && hasValue) {
            audioPath = argv[++i];
            if (audioPath == "none")
                audioPath.clear();
        } else if (argument == "--link" && hasValue) {
            options.linkPath = argv[++i];
        } else if (argument == "--line-rate" && hasValue &&
                   parseRate(argv[i + 1], &options.lineRate)) {
            ++i;
        } else if (argument == "--play-scale" && hasValue &&
                   parseScale(argv[i + 1], &options.playScale)) {
            ++i;
        } else {
            std::cerr << argv[0] << ": bad argument: " << argument << "\n";
            printUsage(std::cerr, argv[0]);
            return 2;
        }
    }

    // Blocked here, before the device thread exists, so that only sigwait()
    // below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    // The port path must be the first line even if the panel is already
    // waiting on the link and talks at once, so log lines wait for it.
    std::mutex output;
    std::unique_lock<std::mutex> pathFirst(output);

    zsim::SimulatedDevice device(options);
    std::unique_ptr<zsim::DeviceSound> sound;
    if (!audioPath.empty()) {
        std::string error;
        std::shared_ptr<zsim::SampleOutput> file = zsim::openWavOutput(audioPath, &error);
        if (!file) {
            std::cerr << argv[0] << ": cannot write the sound file " << error << "\n";
            return 1;
        }
        sound = std::make_unique<zsim::DeviceSound>(device, std::vector{file});
    }
    device.setLogSink([&output](const std::string &line) {
        std::lock_guard<std::mutex> lock(output);
        std::cout << line << std::endl;
    });
    std::string error;
    if (!device.start(&error)) {
        std::cerr << argv[0] << ": " << error << "\n";
        return 1;
    }
    std::cout << device.portPath() << std::endl;
    pathFirst.unlock();

    int received = 0;
    while (sigwait(&stopSignals, &received) != 0) {
    }
    return 0;
}
