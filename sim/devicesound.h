// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The sound of a simulated device: its DTMF signal rendered in real time on a
// thread of its own and handed, block by block, to outputs such as a WAV file
// or a sound card. The device's line and the panel never wait for it.

#include "sim/simdevice.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zsim {

class ToneTrack;

// One rate for every output: four times the highest DTMF frequency is enough.
constexpr int SoundSampleRate = 8000;
// Rendering runs this far behind the wall clock at most.
constexpr int SoundBlockMs = 20;

// Where rendered samples go. write() is called on the rendering thread only.
class SampleOutput
{
public:
    virtual ~SampleOutput() = default;
    // False when the output failed for good; *error says why.
    virtual bool write(const std::int16_t *samples, std::size_t count, std::string *error) = 0;
};

// A WAV file at SoundSampleRate, or null with *error set.
std::shared_ptr<SampleOutput> openWavOutput(const std::string &path, std::string *error);

class DeviceSound
{
public:
    // Starts rendering what `device` plays into `outputs`. The device must
    // outlive this object. An output that fails is dropped with one notice on
    // standard error; the device goes on regardless.
    DeviceSound(SimulatedDevice &device, std::vector<std::shared_ptr<SampleOutput>> outputs);
    // Renders up to the present, detaches from the device and stops the thread.
    ~DeviceSound();

    DeviceSound(const DeviceSound &) = delete;
    DeviceSound &operator=(const DeviceSound &) = delete;

private:
    void run();
    void deliver(const std::int16_t *samples, std::size_t count);

    SimulatedDevice &m_device;
    std::shared_ptr<ToneTrack> m_track;
    std::vector<std::shared_ptr<SampleOutput>> m_outputs; // rendering thread only
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace zsim
