// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The command line of the zelvor program.

#include "link/portmap.h"

#include <QString>
#include <QStringList>

struct Options
{
    PortMap ports;
    int tickMs = 10;
    int simulatePort = 0;    // 1 to 4: run the simulated device on that port; 0: none
    QString simAudio;        // the simulated device's sound: a WAV file, "none", or empty
                             // for the sound card
    QString traceFile;       // where the device trace goes ("-": standard error); empty: no trace
    QStringList qtArguments; // Qt's own options with their values, in the order given
    bool help = false;
    bool version = false;
    QString error; // not empty when the command line cannot be used
};

// Reads the arguments after the program name. Needs no application object,
// so it runs before the window system is touched.
//
// Qt's standard options (-platform, -style, -display, -reverse, -session and
// the rest that QGuiApplication, QApplication and the X11 platform take, with
// one dash or two) go to qtArguments untouched. A command line is refused
// when an option is unknown, lacks its value (a value never starts with "-",
// except the "-" of --trace), is given twice, or contradicts another: the
// sound of a simulated device that is not asked for, or a path for the port
// the simulated device takes.
Options parseOptions(const QStringList &arguments);

QString usageText();
