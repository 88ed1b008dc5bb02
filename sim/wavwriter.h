// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A 16-bit mono WAV file written as the signal is produced. The header is
// brought up to date after every block, and a block's samples reach the file
// before the header counts them, so a file whose writer was killed still
// reads, up to its last complete block. Not thread-safe.

#include <cstddef>
#include <cstdint>
#include <string>

namespace zsim {

class WavWriter
{
public:
    WavWriter() = default;
    WavWriter(const WavWriter &) = delete;
    WavWriter &operator=(const WavWriter &) = delete;
    ~WavWriter() { close(); }

    // Creates (or empties) `path` and writes a header for no samples yet.
    // False with *error set when the file cannot be written.
    bool open(const std::string &path, int sampleRate, std::string *error);

    // Appends samples and updates the header. False with *error set when the
    // file fails or would outgrow what a WAV header can count; the file then
    // keeps what it had.
    bool append(const std::int16_t *samples, std::size_t count, std::string *error);

    void close();
    bool isOpen() const { return m_fd >= 0; }
    std::uint64_t samplesWritten() const { return m_dataBytes / 2; }

    static constexpr std::size_t HeaderSize = 44;

private:
    bool writeAll(const unsigned char *bytes, std::size_t size, off_t at, std::string *error);

    int m_fd = -1;
    std::uint64_t m_dataBytes = 0;
};

} // namespace zsim
