// The device link of the main window: ticks, waits, reading, discarding and
// the probe. Every other window calls these on the main window.

#include "app/statusbox.h"
#include "app/zelvo.h"
#include "link/commands.h"
#include "link/mscomm.h"
#include "link/wait.h"

#include <limits>

void Zelvo::waitUntil(const std::function<bool()> &done)
{
    dispatchUntil([&] { return m_ended || done(); });
    if (m_ended)
        throw ApplicationEnded();
}

void Zelvo::Timer1_Timer()
{
    if (m_tickGate && !m_tickGate())
        return;
    ++m_tickCount;
    // The counter stops at its limit: a pause never waits longer for it.
    if (timerVal < std::numeric_limits<qint32>::max())
        ++timerVal;
}

void Zelvo::Pause(qint32 time)
{
    timerVal = 0;
    if (time < 1)
        return;
    // timerVal is shared: a pause started inside this one resets it, and this
    // one then ends once its own count has passed since that restart.
    ++m_pauses;
    const struct Leave
    {
        int &pauses;
        ~Leave() { --pauses; }
    } leave{m_pauses};
    waitUntil([&] { return timerVal >= time; });
}

void Zelvo::ReadBuffer()
{
    RtnString.clear();
    int count = 0;
    do {
        count = MSComm1->inBufferCount();
        RtnString += MSComm1->input();
    } while (count != 0);
}

void Zelvo::ClearBuffer()
{
    resumeNext([&] { MSComm1->setInBufferCount(0); });
    resumeNext([&] { MSComm1->setOutBufferCount(0); });
    Pause(zcmd::ClearTicks);
    int count = 0;
    do {
        // A count that fails ends the drain, even after a pass that found input.
        count = 0;
        resumeNext([&] { count = MSComm1->inBufferCount(); });
        resumeNext([&] { MSComm1->input(); });
    } while (count != 0);
}

void Zelvo::Connect()
{
    Present = 0;
    StatusBox->setText(QStringLiteral("Connecting"));
    ClearBuffer();
    resumeNext([&] { MSComm1->output(zcmd::Probe); });
    Pause(zcmd::ProbeTicks);
    resumeNext([&] { ReadBuffer(); });
    // A position beyond the 16-bit range still means that the device answered.
    const qsizetype position = RtnString.indexOf(zcmd::ProbeMarker) + 1;
    Present = static_cast<qint16>(qMin<qsizetype>(position, std::numeric_limits<qint16>::max()));
    if (Present > 0)
        StatusBox->setText(QStringLiteral("Connected"));
}

void Zelvo::openPortSequence(int port)
{
    MSComm1->setCommPort(port);
    MSComm1->setSettings(zcmd::PortSettings);
    MSComm1->setInputLen(0);
    if (!MSComm1->portOpen())
        MSComm1->setPortOpen(true);
}
