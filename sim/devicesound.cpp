// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/devicesound.h"

#include "sim/tonetrack.h"
#include "sim/wavwriter.h"

#include <algorithm>
#include <chrono>
#include <iostream>

namespace zsim {

namespace {

class WavOutput : public SampleOutput
{
public:
    bool open(const std::string &path, std::string *error)
    {
        return m_file.open(path, SoundSampleRate, error);
    }
    bool write(const std::int16_t *samples, std::size_t count, std::string *error) override
    {
        return m_file.append(samples, count, error);
    }

private:
    WavWriter m_file;
};

} // namespace

std::shared_ptr<SampleOutput> openWavOutput(const std::string &path, std::string *error)
{
    auto output = std::make_shared<WavOutput>();
    if (!output->open(path, error))
        return nullptr;
    return output;
}

DeviceSound::DeviceSound(SimulatedDevice &device,
                         std::vector<std::shared_ptr<SampleOutput>> outputs)
    : m_device(device), m_track(std::make_shared<ToneTrack>(SoundSampleRate)),
      m_outputs(std::move(outputs))
{
    m_outputs.erase(std::remove(m_outputs.begin(), m_outputs.end(), nullptr), m_outputs.end());
    m_device.setToneSink(m_track);
    m_thread = std::thread([this] { run(); });
}

DeviceSound::~DeviceSound()
{
    m_device.setToneSink(nullptr);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void DeviceSound::deliver(const std::int16_t *samples, std::size_t count)
{
    for (auto it = m_outputs.begin(); it != m_outputs.end();) {
        std::string error;
        if ((*it)->write(samples, count, &error)) {
            ++it;
        } else {
            std::cerr << "zelvor-sim: sound output stopped: " << error << std::endl;
            it = m_outputs.erase(it);
        }
    }
}

// The wall clock says how many samples are due; the track says what they
// are. A late wake-up renders more samples at once, never different ones.
void DeviceSound::run()
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    static_assert(1000000000 % SoundSampleRate == 0, "a sample lasts whole nanoseconds");
    constexpr std::int64_t SampleNs = 1000000000 / SoundSampleRate;
    const auto dueAt = [start](Clock::time_point t) {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(t - start).count() / SampleNs;
    };
    const std::int64_t block = SoundSampleRate * SoundBlockMs / 1000;
    std::vector<std::int16_t> samples(std::size_t(block) * 4);
    std::int64_t rendered = 0;

    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        const auto next = start + std::chrono::nanoseconds((rendered + block) * SampleNs);
        m_wake.wait_until(lock, next, [this] { return m_stopping; });
        const bool stopping = m_stopping;
        lock.unlock();
        const std::int64_t due = dueAt(Clock::now());
        while (rendered < due) {
            const std::size_t count =
                std::size_t(std::min<std::int64_t>(due - rendered, std::int64_t(samples.size())));
            m_track->render(samples.data(), count);
            deliver(samples.data(), count);
            rendered += std::int64_t(count);
        }
        if (stopping)
            return;
        lock.lock();
    }
}

} // namespace zsim
