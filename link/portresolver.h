// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Which path each of COM1 to COM4 stands for, worked out from what the user
// gave for this run, what the user saved and the ports detected now:
//  1. a path given for this run (--comN, --simulate) holds;
//  2. else the saved path holds, whether or not that port exists now;
//  3. else the slot is automatic:
//     a. COMn keeps its platform name (/dev/ttyS(n-1), COMn) when that is a
//        detected port (a UART of the machine);
//     b. the automatic slots left take the detected adapters that no slot
//        names yet, in the order of their stable names, by device path;
//     c. a slot still left keeps its platform name.
// The rule only reads its arguments, so the caller can ask again whenever the
// ports may have changed.

#include "link/portdetector.h"
#include "link/portmap.h"

#include <array>

enum class PortSource { Given, Saved, Automatic };

struct ResolvedPort
{
    QString path;
    PortSource source = PortSource::Automatic;
    QString description; // of the detected port at `path`, if it is one
};

struct ResolvedPorts
{
    std::array<ResolvedPort, PortMap::LastPort> ports;
    // Detected ports that no slot stands for, in the order of their names.
    DetectedPorts unassigned;

    const ResolvedPort &slot(int port) const { return ports[port - 1]; }
    PortMap map() const;
};

// `fixed` holds the platform's names of the slots (PortMap::platform()).
ResolvedPorts resolvePorts(const PortMap &given, const PortMap &saved,
                           const DetectedPorts &detected, const PortMap &fixed);

// "NAME - description", or NAME alone when nothing more is known.
QString describePort(const QString &name, const QString &description);

// A slot as its menu item's tool tip shows it: "PATH - description", then
// "(automatic)" when nobody chose it, and "(does not exist)" or
// "(permission denied)" when that is why it cannot be opened now (this looks
// at the file system).
QString portToolTip(const ResolvedPort &port);

// For the details of "no device found": the detected ports no slot stands for
// and where to assign them; empty when there are none.
QString unassignedPortsText(const DetectedPorts &unassigned);
