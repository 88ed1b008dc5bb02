// SPDX-License-Identifier: GPL-3.0-or-later
// The sound card module: the simulated device's sound on the default sound
// output through Qt Multimedia, loaded by openSoundCard (sim/soundcard.h).

#include "sim/soundmodule.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <QtGlobal>

#include <algorithm>
#include <deque>
#include <mutex>

namespace zsim {

namespace {

// Samples on their way from the rendering thread to the sound card. The sink
// pulls on the Qt thread, in chunks as large as its buffer (up to a second on
// some servers). When nothing is queued it gets a little silence, so it never
// stops pulling; what it has not taken after two seconds is dropped, so a
// sound card slower than the wall clock cannot build up a delay.
class SampleQueue : public QIODevice
{
public:
    void push(const std::int16_t *samples, std::size_t count)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_samples.insert(m_samples.end(), samples, samples + count);
        if (m_samples.size() > Limit)
            m_samples.erase(m_samples.begin(), m_samples.end() - Limit);
    }

    bool isSequential() const override { return true; }
    bool atEnd() const override { return false; }

protected:
    qint64 readData(char *data, qint64 size) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto *out = reinterpret_cast<std::int16_t *>(data);
        const std::size_t room = std::size_t(size / 2);
        if (m_samples.empty()) {
            const std::size_t count = std::min(room, Idle);
            std::fill_n(out, count, std::int16_t(0));
            return qint64(count * 2);
        }
        const std::size_t count = std::min(room, m_samples.size());
        std::copy_n(m_samples.begin(), count, out);
        m_samples.erase(m_samples.begin(), m_samples.begin() + std::ptrdiff_t(count));
        return qint64(count * 2);
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    static constexpr std::size_t Limit = SoundSampleRate * 2;
    static constexpr std::size_t Idle = SoundSampleRate * SoundBlockMs / 1000;
    std::mutex m_mutex;
    std::deque<std::int16_t> m_samples;
};

class SoundCard : public SampleOutput
{
public:
    bool open(const QAudioDevice &device, const QAudioFormat &format)
    {
        m_queue.open(QIODevice::ReadOnly);
        m_sink = std::make_unique<QAudioSink>(device, format);
        m_sink->setBufferSize(SoundSampleRate / 5); // 100 ms of 16-bit samples
        m_sink->start(&m_queue);
        return m_sink->error() == QAudio::NoError;
    }
    ~SoundCard() override
    {
        if (m_sink)
            m_sink->stop();
    }
    bool write(const std::int16_t *samples, std::size_t count, std::string *) override
    {
        m_queue.push(samples, count);
        return true;
    }

private:
    SampleQueue m_queue;
    std::unique_ptr<QAudioSink> m_sink; // after the queue: stopped before it goes
};

// A new output on the default sound device, or null with *notice set.
SampleOutput *openDefaultOutput(std::string *notice)
{
    // Without a sound server the backend complains on its own; the caller's
    // one notice says it better.
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    qInstallMessageHandler(previous);
    QAudioFormat format;
    format.setSampleRate(SoundSampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    std::string reason;
    if (device.isNull())
        reason = "no sound device";
    else if (!device.isFormatSupported(format))
        reason = "the sound device takes no 8 kHz 16-bit mono sound";
    auto card = std::make_unique<SoundCard>();
    if (reason.empty() && !card->open(device, format))
        reason = "the sound device did not start";
    if (!reason.empty()) {
        if (notice)
            *notice = reason;
        return nullptr;
    }
    return card.release();
}

} // namespace

} // namespace zsim

const char *zelvorSoundModuleVersion()
{
    return ZELVOR_SOUND_MODULE_VERSION;
}

zsim::SampleOutput *zelvorOpenSoundCard(std::string *notice)
{
    return zsim::openDefaultOutput(notice);
}
