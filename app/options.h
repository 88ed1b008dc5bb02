#pragma once

// The command line of the zelvor program.

#include "link/portmap.h"

#include <QString>
#include <QStringList>

struct Options
{
    PortMap ports;
    int tickMs = 10;
    int simulatePort = 0; // 1 to 4: run the simulated device on that port; 0: none
    QString simAudio;     // the simulated device's sound: a WAV file, "none", or empty
                          // for the sound card
    QString traceFile;    // where the device trace goes ("-": standard error); empty: no trace
    bool help = false;
    bool version = false;
    QString error; // not empty when the command line cannot be used
};

// Reads the arguments after the program name. Needs no application object,
// so it runs before the window system is touched.
Options parseOptions(const QStringList &arguments);

QString usageText();
