// The cut of the device's answer to "show location d" under arbitrary replies.
//
// The first byte of an input says what the rest is:
//   bits 0-2   the location, 0 to 7;
//   bit 6      the text is UTF-16 (little endian) instead of Latin-1;
//   bits 3-4   0: midText alone, on 8 bytes of start and 8 of count (little
//                 endian) followed by the text;
//              1: a reply built around parts separated by NUL characters:
//                 prefix, length, space, tones and the filler for the
//                 characters between and after the values;
//              2, 3: the reply itself ("0" to "7" begin a Latin-1 reply for
//                 that location).
//
// The cuts are checked against the cut computed from the label positions on
// a plain std::u16string, against each other (location 7 keeps the tail that
// the other locations leave out) and, for built replies, against the parts
// the reply was built from.

#include "app/errors.h"
#include "fuzzcheck.h"
#include "settings/locationreply.h"

#include <QStringList>

#include <cerrno>
#include <cstring>
#include <exception>
#include <string>

using fuzzcheck::show;

namespace {

constexpr int LastLocation = 7;
constexpr qsizetype TailLength = 14;

// A cut's result: its text, or the fact that it threw ReplyError.
struct Outcome
{
    bool failed = false;
    QString text;

    bool operator==(const Outcome &other) const
    {
        return failed == other.failed && text == other.text;
    }
};

std::string show(const Outcome &outcome)
{
    return outcome.failed ? std::string("<ReplyError>") : show(outcome.text);
}

// Runs a cut; anything it throws other than the documented ReplyError is a
// finding.
template <typename Cut> Outcome run(Cut &&cut)
{
    try {
        return {false, cut()};
    } catch (const ReplyError &error) {
        FUZZ_CHECK(error.number() == EINVAL &&
                       error.description() == QString::fromLocal8Bit(std::strerror(EINVAL)),
                   "ReplyError " + std::to_string(error.number()) + " " +
                       show(error.description()));
        return {true, {}};
    } catch (const std::exception &error) {
        FUZZ_FAIL(std::string("unexpected exception: ") + error.what());
    } catch (...) {
        FUZZ_FAIL("unexpected exception of unknown type");
    }
}

// The documented substring: count characters from the 1-based start, cut at
// the end of the text; a start below 1 or a negative count fails.
Outcome expectedMid(const std::u16string &text, qint64 start, qint64 count)
{
    if (start < 1 || count < 0)
        return {true, {}};
    const qint64 size = qint64(text.size());
    if (start > size)
        return {false, QString()};
    const qint64 taken = std::min(count, size - start + 1);
    // Not QString::fromStdU16String: it would read a leading U+FEFF or
    // U+FFFE as a byte order mark.
    return {false,
            QString(reinterpret_cast<const QChar *>(text.data()) + (start - 1), qsizetype(taken))};
}

// The 1-based position of the first occurrence of label, 0 when absent.
qint64 positionOf(const std::u16string &text, const char16_t *label)
{
    const size_t found = text.find(label);
    return found == std::u16string::npos ? 0 : qint64(found) + 1;
}

void expectOutcome(const char *cut, const QString &text, const Outcome &actual,
                   const Outcome &expected)
{
    FUZZ_CHECK(actual == expected, std::string(cut) + " of " + show(text) + "\n  gave     " +
                                       show(actual) + "\n  expected " + show(expected));
}

QString decodeText(const uint8_t *data, size_t size, bool utf16)
{
    if (!utf16)
        return QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    QString text;
    for (size_t i = 0; i + 1 < size; i += 2)
        text.append(QChar(char16_t(data[i] | (data[i + 1] << 8))));
    return text;
}

qint64 littleEndian64(const uint8_t *data)
{
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | data[i];
    return qint64(value);
}

void checkMidText(const QString &text, qint64 start, qint64 count)
{
    const std::u16string plain = text.toStdU16String();
    const Outcome cut = run([&] { return midText(text, start, count); });
    expectOutcome(("midText(" + std::to_string(start) + ", " + std::to_string(count) + ")").c_str(),
                  text, cut, expectedMid(plain, start, count));
}

void checkMidTextInput(const uint8_t *data, size_t size, bool utf16)
{
    if (size < 16)
        return;
    const qint64 start = littleEndian64(data);
    const qint64 count = littleEndian64(data + 8);
    const QString text = decodeText(data + 16, size - 16, utf16);
    checkMidText(text, start, count);
    // The same numbers folded into the range where the text's edges are.
    const uint64_t span = uint64_t(text.size()) + 3;
    checkMidText(text, qint64(uint64_t(start) % span) - 1, qint64(uint64_t(count) % span) - 1);
    expectOutcome("midText(1, size)", text, run([&] { return midText(text, 1, text.size()); }),
                  {false, text});
}

// Every cut of an arbitrary reply is the documented substring or fails as
// documented, and the tones of location 7 extend those of the others.
void checkReply(const QString &reply, int location)
{
    const std::u16string plain = reply.toStdU16String();
    const qint64 pL = positionOf(plain, u"Length = ");
    const qint64 pS = positionOf(plain, u"Space = ");
    const qint64 pT = positionOf(plain, u"String = ");
    const qint64 size = qint64(plain.size());

    expectOutcome("cutLength", reply, run([&] { return cutLength(reply); }),
                  expectedMid(plain, pL + 9, (pS - 5) - (pL + 9)));
    expectOutcome("cutSpace", reply, run([&] { return cutSpace(reply); }),
                  expectedMid(plain, pS + 8, (pT - 4) - (pS + 8)));

    const Outcome tones = run([&] { return cutTones(reply, location); });
    const qint64 count = location == LastLocation ? size - pT - 8 : size - pT - 22;
    expectOutcome(("cutTones(" + std::to_string(location) + ")").c_str(), reply, tones,
                  expectedMid(plain, pT + 9, count));

    const Outcome last = run([&] { return cutTones(reply, LastLocation); });
    if (!last.failed)
        FUZZ_CHECK(reply.endsWith(last.text), "tones of location 7 " + show(last) +
                                                  " do not run to the end of " + show(reply));
    if (!tones.failed) {
        FUZZ_CHECK(!last.failed && last.text.startsWith(tones.text) &&
                       last.text.size() - tones.text.size() <= TailLength,
                   "tones of location " + std::to_string(location) + " " + show(tones) +
                       " are not those of location 7 " + show(last) + " less at most " +
                       "the tail, in " + show(reply));
    }
}

// count characters taken in turn from source, starting at offset.
QString cycled(const QString &source, qsizetype offset, qsizetype count)
{
    QString out;
    for (qsizetype i = 0; i < count; ++i)
        out.append(source.at((offset + i) % source.size()));
    return out;
}

// A reply laid out as the device lays it out, around values that hold no
// label: each value is cut back exactly.
void checkBuiltReply(const QString &text, int location)
{
    QStringList parts = text.split(QChar(u'\0'));
    // No '=': then no label can occur except where the reply puts one.
    for (QString &part : parts)
        part.remove(u'=');
    while (parts.size() < 5)
        parts.append(QString());
    const QString &prefix = parts[0];
    const QString &length = parts[1];
    const QString &space = parts[2];
    const QString &tones = parts[3];
    const QString &filler = parts[4];
    const QString afterLength = filler.isEmpty() ? QStringLiteral(" ms\r\n") : cycled(filler, 0, 5);
    const QString afterSpace = filler.isEmpty() ? QStringLiteral("ms\r\n") : cycled(filler, 5, 4);
    const QString tail =
        filler.isEmpty() ? QStringLiteral("\r\nView ended\r\n") : cycled(filler, 9, TailLength);

    const QString withoutTail = prefix + "Length = " + length + afterLength + "Space = " + space +
                                afterSpace + "String = " + tones;
    const QString reply = withoutTail + tail;

    expectOutcome("cutLength", reply, run([&] { return cutLength(reply); }), {false, length});
    expectOutcome("cutSpace", reply, run([&] { return cutSpace(reply); }), {false, space});
    if (location != LastLocation)
        expectOutcome("cutTones", reply, run([&] { return cutTones(reply, location); }),
                      {false, tones});
    expectOutcome("cutTones(7)", reply, run([&] { return cutTones(reply, LastLocation); }),
                  {false, tones + tail});

    // Without the tail, location 7 gets the tones back; the others cut them
    // 14 characters short and fail when the tones are shorter than that.
    expectOutcome("cutTones(7) without tail", withoutTail,
                  run([&] { return cutTones(withoutTail, LastLocation); }), {false, tones});
    const Outcome shortened = tones.size() < TailLength
                                  ? Outcome{true, {}}
                                  : Outcome{false, tones.left(tones.size() - TailLength)};
    const int other = location == LastLocation ? 0 : location;
    expectOutcome("cutTones without tail", withoutTail,
                  run([&] { return cutTones(withoutTail, other); }), shortened);
    checkReply(reply, location);
    checkReply(withoutTail, location);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t control = data[0];
    const int location = control & 7;
    const bool utf16 = (control & 0x40) != 0;
    ++data;
    --size;
    switch ((control >> 3) & 3) {
    case 0:
        checkMidTextInput(data, size, utf16);
        break;
    case 1:
        checkBuiltReply(decodeText(data, size, utf16), location);
        break;
    default:
        checkReply(decodeText(data, size, utf16), location);
        break;
    }
    return 0;
}
