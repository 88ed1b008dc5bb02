// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The command line of zelvor-cli:
//
//   zelvor-cli [--port PATH | --com N] [--simulate] [--tick-ms N] [--trace FILE]
//              COMMAND ARGUMENTS...
//
// Reading it needs no application object and touches no device.

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What the program ends with.
enum class ExitCode {
    Done = 0,
    DeviceFailed = 1, // the port or the device failed, or holds something else after a write
    Usage = 2,        // the command line cannot be used
    NoDevice = 3,     // no device answered
    BadFile = 4,      // a file could not be read or is broken; nothing was sent
    Interrupted = 130 // Ctrl+C (the shell's own code for an interrupt)
};

enum class CliCommand { None, Find, Read, Write, Play, Tone, List, Dial, Reset };

struct CliRequest
{
    // Where the device is: one path alone, one slot's path, or (neither) the search.
    QString portPath;
    int com = 0; // 1 to 4; 0: not given
    bool simulate = false;
    int tickMs = 10;
    QString traceFile; // "-": standard error; empty: no trace

    CliCommand command = CliCommand::None;
    // read: where the panel's file format goes ("-": standard output), or JSON.
    QString csvTarget;
    bool json = false;
    // write and list: the configuration file.
    QString file;
    // write: the locations to save (all eight when not given).
    std::vector<int> locations;
    // play: the location digits in playing order; dial: the tone symbols;
    // tone: the symbol.
    QString symbols;
    // tone: the duration in milliseconds, as typed.
    QString milliseconds;

    bool help = false;
    bool version = false;
    QString error; // not empty when the command line cannot be used
};

// Reads the arguments after the program name.
CliRequest parseCliArguments(const QStringList &arguments);

QString cliUsageText();
