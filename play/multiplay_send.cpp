// Sending the Multi Play list, and the window's own copies of the link
// operations over the main window's port. Every step of a send that fails
// (a write to a closed port, a vanished line) is skipped and the next runs.

#include "app/defprompt.h"
#include "app/zelvo.h"
#include "core/errors.h"
#include "link/commands.h"
#include "link/mscomm.h"
#include "play/multiplay.h"

#include <limits>

void MultiPlay::Pause(qint32 time)
{
    timerVal = 0;
    if (time < 1)
        return;
    // Only Timer2 advances this counter; a pause started inside this one
    // resets it, as the main window's pauses share theirs. While any pause
    // waits, Timer2 counts only the ticks the main window's gate lets through
    // (the count drops again when the wait unwinds at the end).
    ++m_waits;
    const struct Leave
    {
        int &waits;
        ~Leave() { --waits; }
    } leave{m_waits};
    m_main->waitUntil([&] { return timerVal >= time; });
}

void MultiPlay::ReadBuffer()
{
    MSComm *port = m_main->MSComm1;
    RtnString.clear();
    int count = 0;
    do {
        // A count that fails ends the loop, even after a pass that found input.
        count = 0;
        resumeNext([&] { count = port->inBufferCount(); });
        resumeNext([&] { RtnString += port->input(); });
    } while (count != 0);
}

void MultiPlay::ClearBuffer()
{
    MSComm *port = m_main->MSComm1;
    resumeNext([&] { port->setInBufferCount(0); });
    resumeNext([&] { port->setOutBufferCount(0); });
    Pause(zcmd::ClearTicks);
    int count = 0;
    do {
        count = 0;
        resumeNext([&] { count = port->inBufferCount(); });
        resumeNext([&] { port->input(); });
    } while (count != 0);
}

void MultiPlay::Connect()
{
    Present = 0;
    resumeNext([&] { m_main->MSComm1->output(zcmd::Probe); });
    Pause(zcmd::ProbeTicks);
    ReadBuffer();
    // A position beyond the 16-bit range still means that the device answered.
    const qsizetype position = RtnString.indexOf(zcmd::ProbeMarker) + 1;
    Present = static_cast<qint16>(qMin<qsizetype>(position, std::numeric_limits<qint16>::max()));
}

void MultiPlay::Send_Click()
{
    MSComm *port = m_main->MSComm1;
    ClearBuffer();
    Connect();
    ClearBuffer();

    bool maySend = false;
    if (Present > 0) {
        m_main->defPrompt()->setText(QStringLiteral("Sending Data"));
        m_main->defPrompt()->show();
        resumeNext([&] { port->output(zcmd::ToneList); });
        Pause(zcmd::ToneListTicks);
        ReadBuffer();
        maySend = RtnString.contains(zcmd::ToneListMarker);
    }
    if (maySend)
        sendTones();

    m_main->defPrompt()->hide();
    Pause(zcmd::ToneListEndTicks);
    // The empty line ends the list on the device whatever happened before.
    resumeNext([&] { port->output(zcmd::LineBreak); });
}

void MultiPlay::sendTones()
{
    MSComm *port = m_main->MSComm1;
    for (int r = 1; r <= zcmd::ToneListRows; ++r) {
        // Each row is read when the send reaches it: the user may still be
        // editing the list while earlier rows go out.
        const QString tone = textMatrix(r, ToneColumn);
        if (tone.isEmpty())
            continue;
        resumeNext([&] { port->output(tone + zcmd::ToneListSeparator); });
        resumeNext([&] { port->output(textMatrix(r, DurationColumn) + zcmd::ToneListSeparator); });
        resumeNext([&] { port->output(textMatrix(r, SpaceColumn) + zcmd::LineBreak); });
        Pause(zcmd::ToneListLineTicks);
    }
}
