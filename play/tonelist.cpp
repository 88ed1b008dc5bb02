// SPDX-License-Identifier: GPL-3.0-or-later
#include "play/tonelist.h"

#include "core/errors.h"
#include "link/commands.h"
#include "link/devicelink.h"
#include "link/mscomm.h"

DeviceLink::Options ToneListSend::linkOptions(DeviceLink::Waiter wait)
{
    DeviceLink::Options options;
    options.readFailures = OnFailure::ResumeNext;
    options.probeClearsFirst = false;
    options.wait = std::move(wait);
    return options;
}

void ToneListSend::run(const Lines &lines)
{
    MSComm &port = m_link.port();
    m_link.ClearBuffer();
    m_link.Connect();
    m_link.ClearBuffer();

    bool maySend = false;
    if (m_link.Present > 0) {
        m_progress.show(QStringLiteral("Sending Data"));
        maySend = m_link.exchange(zcmd::ToneList, OnFailure::ResumeNext);
    }
    if (maySend)
        sendLines(lines);

    m_progress.hide();
    m_link.Pause(zcmd::ToneListEndTicks);
    // The empty line ends the list on the device whatever happened before.
    resumeNext([&] { port.output(zcmd::LineBreak); });
}

void ToneListSend::sendLines(const Lines &lines)
{
    MSComm &port = m_link.port();
    for (int r = 1; r <= zcmd::ToneListRows; ++r) {
        const Line line = lines(r);
        if (line.tone.isEmpty())
            continue;
        resumeNext([&] { port.output(line.tone + zcmd::ToneListSeparator); });
        resumeNext([&] { port.output(line.duration + zcmd::ToneListSeparator); });
        resumeNext([&] { port.output(line.space + zcmd::LineBreak); });
        m_link.Pause(zcmd::ToneListLineTicks);
    }
}
