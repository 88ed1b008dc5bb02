#pragma once

// What the fuzz targets share: a failed invariant aborts with the texts
// involved (libFuzzer then keeps the input as a crash artifact), texts are
// shown escaped, and a small generator derives the variations of an input
// from the input itself, so that one input always runs the same checks.

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzzcheck {

// A text as a C-like literal: printable ASCII as is, everything else as an
// escape, cut after 300 characters.
inline std::string show(const QString &text)
{
    std::string out = "\"";
    const qsizetype shown = std::min<qsizetype>(text.size(), 300);
    for (qsizetype i = 0; i < shown; ++i) {
        const char16_t c = text.at(i).unicode();
        char buffer[16];
        if (c == u'"' || c == u'\\') {
            out += '\\';
            out += char(c);
        } else if (c == u'\r') {
            out += "\\r";
        } else if (c == u'\n') {
            out += "\\n";
        } else if (c == u'\t') {
            out += "\\t";
        } else if (c >= 0x20 && c < 0x7f) {
            out += char(c);
        } else if (c <= 0xff) {
            std::snprintf(buffer, sizeof buffer, "\\x%02x", unsigned(c));
            out += buffer;
        } else {
            std::snprintf(buffer, sizeof buffer, "\\u%04x", unsigned(c));
            out += buffer;
        }
    }
    out += '"';
    if (shown < text.size())
        out += "... (" + std::to_string(text.size()) + " characters)";
    return out;
}

inline std::string show(const QByteArray &bytes)
{
    return show(QString::fromLatin1(bytes));
}

[[noreturn]] inline void fail(const char *file, int line, const char *condition,
                              const std::string &details)
{
    std::fprintf(stderr, "\n==== invariant broken at %s:%d: %s\n%s\n", file, line, condition,
                 details.c_str());
    std::fflush(stderr);
    std::abort();
}

// splitmix64, seeded from the input's bytes (FNV-1a).
class Random
{
public:
    Random(const uint8_t *data, size_t size)
    {
        uint64_t hash = 0xcbf29ce484222325ULL;
        for (size_t i = 0; i < size; ++i)
            hash = (hash ^ data[i]) * 0x100000001b3ULL;
        m_state = hash;
    }
    uint64_t next()
    {
        uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    // A number from 0 to n - 1; n must be positive.
    qsizetype below(qsizetype n) { return qsizetype(next() % uint64_t(n)); }

private:
    uint64_t m_state = 0;
};

} // namespace fuzzcheck

// Aborts with the details (a std::string expression) when condition is false.
#define FUZZ_CHECK(condition, details)                                                             \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::fuzzcheck::fail(__FILE__, __LINE__, #condition, (details));                          \
    } while (false)

// Aborts with the details unconditionally.
#define FUZZ_FAIL(details) ::fuzzcheck::fail(__FILE__, __LINE__, "reached", (details))
