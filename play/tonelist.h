// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Sending a list of up to twenty tones, each with its own duration and
// space, in one go over a DeviceLink, without a window. Every step that fails
// (a write to a closed port, a vanished line) is skipped and the next runs;
// the empty line that ends the list on the device always goes out.

#include "link/devicelink.h"

#include <QString>

#include <functional>

class ToneListSend
{
public:
    // Where "Sending Data" shows while the list goes out, and its end.
    struct Progress
    {
        std::function<void(const QString &text)> show;
        std::function<void()> hide;
    };

    // One row of the list; a row without a tone is not sent.
    struct Line
    {
        QString tone;
        QString duration;
        QString space;
    };
    // Row `row` (1 to 20) as it stands when the send reaches it: the user may
    // still be editing the list while earlier rows go out.
    using Lines = std::function<Line(int row)>;

    // How the link a tone list goes over (Multi Play's own) behaves: its
    // probe leaves the port's input alone and its reads skip failures;
    // `wait` is its Pause's wait.
    static DeviceLink::Options linkOptions(DeviceLink::Waiter wait);

    // The link must outlive the send.
    ToneListSend(DeviceLink &link, Progress progress)
        : m_link(link), m_progress(std::move(progress))
    {}

    // Probes the device and, once "MM" came, sends each row with a tone.
    void run(const Lines &lines);

private:
    void sendLines(const Lines &lines);

    DeviceLink &m_link;
    Progress m_progress;
};
