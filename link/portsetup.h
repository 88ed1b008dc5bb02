// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The paths behind COM1 to COM4 for the whole run: what was given for this
// run, what the user saved (read once at the start, replaced by "Port
// Paths"), and the ports detected, looked at anew on every question so an
// adapter plugged in after the start is found.

#include "link/portdetector.h"
#include "link/portpathstore.h"
#include "link/portresolver.h"

#include <memory>
#include <utility>

class PortSetup
{
public:
    struct Sources
    {
        PortMap given;                                // for this run only, never saved
        PortMap fixed = PortMap::platform();          // the platform's names of the slots
        std::shared_ptr<const PortDetector> detector; // null: the system's ports
        QString file;                                 // empty: PortPathStore::defaultFileName()
    };

    // Reads the saved paths.
    explicit PortSetup(Sources sources);

    DetectedPorts detect() const { return m_sources.detector->detect(); }
    // The paths as things stand now.
    ResolvedPorts resolve() const;

    const PortMap &saved() const { return m_saved; }
    // The new saved paths: they apply from now on, and are written to the
    // file. False, with `problem` saying why, when the file cannot be
    // written; they still apply until the panel ends.
    bool keep(const PortMap &paths, QString *problem);

    // Why the saved paths could not be read at the start, once; empty after.
    QString takeReadProblem() { return std::exchange(m_readProblem, QString()); }

private:
    Sources m_sources;
    PortPathStore m_store;
    PortMap m_saved;
    QString m_readProblem;
};
