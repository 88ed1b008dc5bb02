// Sending the Multi Play list over the window's own link. Every step of a
// send that fails (a write to a closed port, a vanished line) is skipped and
// the next runs.

#include "app/defprompt.h"
#include "app/zelvo.h"
#include "core/errors.h"
#include "link/commands.h"
#include "link/devicelink.h"
#include "link/mscomm.h"
#include "play/multiplay.h"

void MultiPlay::Send_Click()
{
    MSComm &port = m_link->port();
    m_link->ClearBuffer();
    m_link->Connect();
    m_link->ClearBuffer();

    bool maySend = false;
    if (m_link->Present > 0) {
        m_main->defPrompt()->setText(QStringLiteral("Sending Data"));
        m_main->defPrompt()->show();
        maySend = m_link->exchange(zcmd::ToneList, OnFailure::ResumeNext);
    }
    if (maySend)
        sendTones();

    m_main->defPrompt()->hide();
    m_link->Pause(zcmd::ToneListEndTicks);
    // The empty line ends the list on the device whatever happened before.
    resumeNext([&] { port.output(zcmd::LineBreak); });
}

void MultiPlay::sendTones()
{
    MSComm &port = m_link->port();
    for (int r = 1; r <= zcmd::ToneListRows; ++r) {
        // Each row is read when the send reaches it: the user may still be
        // editing the list while earlier rows go out.
        const QString tone = textMatrix(r, ToneColumn);
        if (tone.isEmpty())
            continue;
        resumeNext([&] { port.output(tone + zcmd::ToneListSeparator); });
        resumeNext([&] { port.output(textMatrix(r, DurationColumn) + zcmd::ToneListSeparator); });
        resumeNext([&] { port.output(textMatrix(r, SpaceColumn) + zcmd::LineBreak); });
        m_link->Pause(zcmd::ToneListLineTicks);
    }
}
