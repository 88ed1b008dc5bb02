// SPDX-License-Identifier: GPL-3.0-or-later
#include "play/plays.h"

#include "core/errors.h"
#include "core/text.h"
#include "link/commands.h"
#include "link/devicelink.h"
#include "link/mscomm.h"
#include "play/keyrules.h"

void KeyTones::dial(const QString &symbols)
{
    write(zcmd::KeypadTone + symbols);
}

void KeyTones::hold(const QString &symbol)
{
    write(zcmd::HeldTone + symbol);
}

void KeyTones::stop()
{
    write(zcmd::ToneStop);
}

void KeyTones::write(const QString &command)
{
    resumeNext([&] { m_link.port().output(command); });
}

namespace {

// Sets a flag for as long as it lives, whichever way the scope is left.
class FlagUp
{
public:
    explicit FlagUp(bool &flag) : m_flag(flag) { m_flag = true; }
    ~FlagUp() { m_flag = false; }
    FlagUp(const FlagUp &) = delete;
    FlagUp &operator=(const FlagUp &) = delete;

private:
    bool &m_flag;
};

} // namespace

void AbortPlay::run()
{
    // Every press counts as an Abort for a running memory play, which then
    // stops waiting for "Ready", even one started inside another Abort.
    ++m_runs;
    // Abort waits while dispatching events, so a held Esc key or a second
    // click would start it again: a run in progress sends and waits for
    // nothing more.
    if (m_running)
        return;
    FlagUp running(m_running);

    MSComm &port = m_link.port();
    resumeNext([&] { port.output(zcmd::LineBreak); });
    m_status(QStringLiteral("Aborted.\r\n"));
    m_link.Pause(zcmd::AbortBreakTicks);
    m_status(QString());
    resumeNext([&] { port.output(zcmd::ToneStop); });
    m_link.Pause(zcmd::AbortStopTicks);
    m_status(QStringLiteral("Ready"));
}

void MemoryPlay::run(const QString &locations, const std::function<bool()> &aborted)
{
    const qsizetype count = locations.size();
    for (qsizetype i = 0; i < count && !aborted(); ++i) {
        const QString digit = locations.mid(i, 1);
        m_link.Connect();
        m_link.ClearBuffer();
        if (m_link.Present <= 0 || aborted())
            continue;
        m_status(QStringLiteral("Sending string in location ") + digit);
        const bool ready = m_link.exchange(zcmd::MemoryPlay, OnFailure::PassOn);
        if (!ready || aborted())
            continue;
        m_link.port().output(digit + zcmd::LineBreak);
        // Only a written digit is waited for: nothing else makes the device say "Ready".
        pollForReady(aborted);
    }
}

// Polls for the device's "Ready" after a location digit: read, look, wait 5
// ticks, until a read held it. A "Ready" cut in two by the line is found by
// joining the end of one read to the next. An Abort ends the poll; a port
// that fails ends it by passing its failure on.
void MemoryPlay::pollForReady(const std::function<bool()> &aborted)
{
    const QString &marker = zcmd::ReadyMarker;
    QString tail;
    bool ready = false;
    do {
        m_link.ReadBuffer();
        const QString joined = tail + m_link.RtnString;
        ready = joined.contains(marker);
        tail = joined.right(marker.size() - 1);
        m_link.Pause(zcmd::ReadyPollTicks);
    } while (!ready && !aborted());
}

QString TimedPlay::refusal(const QString &tone, const QString &duration)
{
    const double milliseconds = numericValue(duration);
    if (milliseconds > zcmd::MaxTimedMilliseconds)
        return QStringLiteral("Time must be less than 65,535");
    if (milliseconds < zcmd::MinMilliseconds)
        return QStringLiteral("Time must be 20 milliseconds or greater.");
    if (tone.isEmpty())
        return QStringLiteral("Please enter a value for the tone");
    if (tone.size() != 1 || !keyrules::isToneSymbol(tone.at(0)))
        return QStringLiteral("Invalid tone: Please re-enter tone value");
    return {};
}

void TimedPlay::run(const QString &tone, const QString &duration)
{
    m_link.ClearBuffer();
    m_link.Connect();
    m_link.ClearBuffer();
    if (m_link.Present > 0) {
        const bool ready = m_link.exchange(zcmd::TimedTone, OnFailure::PassOn);
        if (ready)
            m_link.port().output(tone + zcmd::TimedToneSeparator + duration + zcmd::TimedToneEnd);
        m_status(QStringLiteral("Sending tone ") + tone +
                 QStringLiteral("\r\nPress the ABORT button to cancel."));
    }
}
