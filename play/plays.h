// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The operations that make the device sound tones, over a DeviceLink and
// without a window: the keypad's tones, memory play, timed play and Abort.
// The panel's handlers run them around their dialogs; a program without a
// window runs them as they are. Status texts go to the sink each is given.
//
// Every wait is the link's Pause, which dispatches events: another operation
// may run inside it (an Abort inside a memory play is how the play ends).

#include <QString>

#include <functional>

class DeviceLink;

using StatusSink = std::function<void(const QString &text)>;

// The keypad's tones: one short command written at once, nothing waited for
// or read. A failing write (a closed port) is skipped.
class KeyTones
{
public:
    explicit KeyTones(DeviceLink &link) : m_link(link) {}

    // "$" and the symbols: each sounds for the length the device keeps.
    void dial(const QString &symbols);
    // "%" and a symbol: sounds until stop().
    void hold(const QString &symbol);
    // "%": stops a held tone.
    void stop();
    // Any of them, as built by the caller.
    void write(const QString &command);

private:
    DeviceLink &m_link;
};

// Abort: a line break ends a timed tone early, the stop command ends a held
// one. Status "Aborted.\r\n", "" and "Ready" on the way.
class AbortPlay
{
public:
    AbortPlay(DeviceLink &link, StatusSink status) : m_link(link), m_status(std::move(status)) {}

    // Every call counts as an Abort for a running memory play, even one made
    // inside another Abort's wait; such a nested call sends and waits for
    // nothing more. Failing writes are skipped.
    void run();
    // The calls of run() so far.
    int runs() const { return m_runs; }

private:
    DeviceLink &m_link;
    StatusSink m_status;
    bool m_running = false;
    int m_runs = 0;
};

// Memory play: the device plays locations it already holds, one after the
// other, each after its own probe and each waited for until the device
// reports "Ready". Only location digits travel on the line.
class MemoryPlay
{
public:
    MemoryPlay(DeviceLink &link, StatusSink status) : m_link(link), m_status(std::move(status)) {}

    // Plays the locations of `locations` (digits "0" to "7") in order. A
    // location whose probe finds no device, or whose "MP" does not come, is
    // skipped. Once `aborted()` holds, the location being played is no longer
    // waited for and the rest are skipped. A port that fails passes its
    // failure on.
    void run(const QString &locations, const std::function<bool()> &aborted);

private:
    void pollForReady(const std::function<bool()> &aborted);

    DeviceLink &m_link;
    StatusSink m_status;
};

// Timed play: the device sounds one tone for a number of milliseconds and
// times it itself; the panel only sends the tone line. Abort ends the tone.
class TimedPlay
{
public:
    TimedPlay(DeviceLink &link, StatusSink status) : m_link(link), m_status(std::move(status)) {}

    // Why Timed Play refuses `tone` for `duration` ms, in the dialog's words
    // and the order of its checks; empty when both may be sent.
    static QString refusal(const QString &tone, const QString &duration);

    // Sends `tone` for `duration` ms, both as given (checked by the caller),
    // once the device answers the probe and "SM" came. A port that fails
    // passes its failure on.
    void run(const QString &tone, const QString &duration);

private:
    DeviceLink &m_link;
    StatusSink m_status;
};
