// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/devicelink.h"

#include "link/mscomm.h"
#include "link/ticks.h"
#include "link/wait.h"

#include <limits>

DeviceLink::DeviceLink(MSComm &port, TickSource &ticks, Options options, QObject *parent)
    : QObject(parent), m_port(port), m_options(std::move(options))
{
    if (!m_options.wait)
        m_options.wait = dispatchUntil;
    connect(&ticks, &TickSource::ticked, this, &DeviceLink::tick);
}

void DeviceLink::tick()
{
    ++m_tickCount;
    // The counter stops at its limit: a pause never waits longer for it.
    if (timerVal < std::numeric_limits<qint32>::max())
        ++timerVal;
}

void DeviceLink::Pause(qint32 time)
{
    timerVal = 0;
    if (time < 1)
        return;
    ++m_pauses;
    const struct Leave
    {
        int &pauses;
        ~Leave() { --pauses; }
    } leave{m_pauses};
    m_options.wait([&] { return timerVal >= time; });
}

void DeviceLink::ReadBuffer()
{
    RtnString.clear();
    int count = 0;
    do {
        // A count that fails ends the loop, even after a pass that found input.
        count = 0;
        runStep(m_options.readFailures, [&] { count = m_port.inBufferCount(); });
        runStep(m_options.readFailures, [&] { RtnString += m_port.input(); });
    } while (count != 0);
}

void DeviceLink::ClearBuffer()
{
    resumeNext([&] { m_port.setInBufferCount(0); });
    resumeNext([&] { m_port.setOutBufferCount(0); });
    Pause(zcmd::ClearTicks);
    int count = 0;
    do {
        // A count that fails ends the drain, even after a pass that found input.
        count = 0;
        resumeNext([&] { count = m_port.inBufferCount(); });
        resumeNext([&] { m_port.input(); });
    } while (count != 0);
}

void DeviceLink::Connect()
{
    const auto status = [this](const QString &text) {
        if (m_options.status)
            m_options.status(text);
    };
    Present = 0;
    status(QStringLiteral("Connecting"));
    if (m_options.probeClearsFirst)
        ClearBuffer();
    exchange(zcmd::Probe, OnFailure::ResumeNext);
    // A position beyond the 16-bit range still means that the device answered.
    const qsizetype position = RtnString.indexOf(zcmd::Probe.marker) + 1;
    Present = static_cast<qint16>(qMin<qsizetype>(position, std::numeric_limits<qint16>::max()));
    if (Present > 0)
        status(QStringLiteral("Connected"));
}

bool DeviceLink::exchange(const zcmd::Command &command, OnFailure onFailure)
{
    runStep(onFailure, [&] { m_port.output(command.text); });
    Pause(command.ticks);
    runStep(onFailure, [&] { ReadBuffer(); });
    return command.marker.isEmpty() || RtnString.contains(command.marker);
}

void DeviceLink::openPort(int port)
{
    m_port.setCommPort(port);
    m_port.setSettings(zcmd::PortSettings);
    m_port.setInputLen(0);
    if (!m_port.portOpen())
        m_port.setPortOpen(true);
}
