// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/wavwriter.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace zsim {

namespace {

// The largest data chunk whose RIFF size still fits in 32 bits.
constexpr std::uint64_t MaxDataBytes = 0xFFFFFFFFull - (WavWriter::HeaderSize - 8);

void put16(unsigned char *at, std::uint32_t value)
{
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}

void put32(unsigned char *at, std::uint32_t value)
{
    put16(at, value & 0xFFFF);
    put16(at + 2, value >> 16);
}

} // namespace

bool WavWriter::writeAll(const unsigned char *bytes, std::size_t size, off_t at, std::string *error)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(m_fd, bytes, size, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (error)
                *error = n < 0 ? std::strerror(errno) : "nothing written";
            return false;
        }
        bytes += n;
        size -= std::size_t(n);
        at += n;
    }
    return true;
}

bool WavWriter::open(const std::string &path, int sampleRate, std::string *error)
{
    close();
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        if (error)
            *error = path + ": " + std::strerror(errno);
        return false;
    }
    m_dataBytes = 0;
    unsigned char header[HeaderSize] = {};
    std::memcpy(header, "RIFF", 4);
    put32(header + 4, HeaderSize - 8);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    put32(header + 16, 16);                        // size of the format chunk
    put16(header + 20, 1);                         // PCM
    put16(header + 22, 1);                         // mono
    put32(header + 24, std::uint32_t(sampleRate)); // samples per second
    put32(header + 28, std::uint32_t(sampleRate) * 2);
    put16(header + 32, 2);  // bytes per sample frame
    put16(header + 34, 16); // bits per sample
    std::memcpy(header + 36, "data", 4);
    put32(header + 40, 0);
    if (!writeAll(header, HeaderSize, 0, error)) {
        if (error)
            *error = path + ": " + *error;
        close();
        return false;
    }
    return true;
}

bool WavWriter::append(const std::int16_t *samples, std::size_t count, std::string *error)
{
    if (m_fd < 0) {
        if (error)
            *error = "the sound file is not open";
        return false;
    }
    if (m_dataBytes + 2 * std::uint64_t(count) > MaxDataBytes) {
        if (error)
            *error = "the sound file reached the 4 GiB a WAV file can hold";
        return false;
    }
    std::vector<unsigned char> bytes(2 * count);
    for (std::size_t i = 0; i < count; ++i)
        put16(&bytes[2 * i], std::uint16_t(samples[i]));
    if (!writeAll(bytes.data(), bytes.size(), off_t(HeaderSize + m_dataBytes), error))
        return false;
    m_dataBytes += bytes.size();
    unsigned char size[4];
    put32(size, std::uint32_t(HeaderSize - 8 + m_dataBytes));
    if (!writeAll(size, 4, 4, error))
        return false;
    put32(size, std::uint32_t(m_dataBytes));
    return writeAll(size, 4, 40, error);
}

void WavWriter::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

} // namespace zsim
