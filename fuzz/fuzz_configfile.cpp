// The configuration file reader and writer under arbitrary bytes.
//
// Every input is first read as a file: decode either gives 84 fields of at
// most 65,535 characters and stops where the last one ends, or fails with
// FileError (ENODATA or EFBIG), exactly as a plain in-memory reading of the
// documented rules of the whole data says. Then one further check, chosen by
// the input's hash:
//  - the same reading from a device handing out the bytes in small pieces,
//    which leaves the rest of the data in the device;
//  - a device that fails at some byte: EIO (with the device's error text)
//    once the reader needs that byte, the same reading when it stops before;
//  - the bytes after the stop do not matter: the data up to the stop reads
//    the same, and so does the data with other bytes after the stop;
//  - the fields read are written and read back unchanged;
//  - the input's NUL-separated parts taken as fields ("\x01" begins a part
//    read as UTF-16, "\x02" and a byte b a part repeated to 65,533 + b
//    characters): firstUnwritableField names the first one that holds a
//    double quote, a character beyond Latin-1 or too many characters; when
//    it names none, encode writes the documented bytes (missing fields empty,
//    surplus ones dropped) and decode reads the fields back unchanged,
//    stopping right after them, at once or in pieces;
//  - where the input holds "\0\0" and two bytes n, the data with the byte
//    before that marker repeated n more times, read at once and in pieces:
//    fields grow past the longest one accepted and files past the reader's
//    64 KiB chunk.

#include "app/errors.h"
#include "files/configformat.h"
#include "fuzzcheck.h"

#include <QBuffer>

#include <cerrno>
#include <cstring>
#include <exception>
#include <optional>
#include <string>

using fuzzcheck::show;
using namespace configfile;

namespace {

// Just over one of the reader's 64 KiB chunks and the longest field.
constexpr qsizetype ExpandedLimit = 70000;
constexpr int LongFieldLimit = 2;

// What a reading gave: the fields and where it stopped, or the error number.
struct Decoded
{
    int error = 0;
    QStringList fields;
    qint64 end = -1;

    bool operator==(const Decoded &other) const
    {
        return error == other.error && fields == other.fields && end == other.end;
    }
};

std::string show(const Decoded &decoded)
{
    if (decoded.error != 0)
        return "FileError " + std::to_string(decoded.error);
    std::string out =
        std::to_string(decoded.fields.size()) + " fields, end " + std::to_string(decoded.end) + ":";
    for (const QString &field : decoded.fields)
        out += " " + show(field.left(40));
    return out;
}

const QString ReadFailure = QStringLiteral("Simulated read failure");

// A sequential device that hands out its data in pieces of random size; a
// read that would reach the byte at failAt fails instead.
class PieceDevice : public QIODevice
{
public:
    PieceDevice(QByteArray data, fuzzcheck::Random &random, qsizetype largestPiece,
                qsizetype failAt = -1)
        : m_data(std::move(data)), m_random(random), m_largestPiece(largestPiece), m_failAt(failAt)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *out, qint64 maxSize) override
    {
        if (m_failAt >= 0 && m_pos >= m_failAt) {
            setErrorString(ReadFailure);
            return -1;
        }
        const qsizetype end = m_failAt >= 0 ? std::min(m_failAt, m_data.size()) : m_data.size();
        const qint64 n =
            std::min({maxSize, qint64(end - m_pos), qint64(1 + m_random.below(m_largestPiece))});
        if (n <= 0)
            return 0;
        std::memcpy(out, m_data.constData() + m_pos, size_t(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_data;
    fuzzcheck::Random &m_random;
    qsizetype m_largestPiece = 1;
    qsizetype m_failAt = -1;
    qsizetype m_pos = 0;
};

// decode from in; end is in's position (-1 for sequential devices). A read
// failure is expected only from a device told to fail.
Decoded decodeFrom(QIODevice &in, bool mayFail = false)
{
    try {
        Decoded decoded;
        decoded.fields = decode(in);
        decoded.end = in.isSequential() ? -1 : in.pos();
        return decoded;
    } catch (const FileError &error) {
        if (error.number() == ENODATA)
            FUZZ_CHECK(error.description() ==
                           QLatin1String("The file ends before all 84 settings were read"),
                       show(error.description()));
        if (error.number() == EIO)
            FUZZ_CHECK(mayFail && error.description() == ReadFailure, show(error.description()));
        FUZZ_CHECK(error.number() == ENODATA || error.number() == EFBIG || error.number() == EIO,
                   "FileError " + std::to_string(error.number()) + " " + show(error.description()));
        return {error.number(), {}, -1};
    } catch (const std::exception &error) {
        FUZZ_FAIL(std::string("unexpected exception: ") + error.what());
    } catch (...) {
        FUZZ_FAIL("unexpected exception of unknown type");
    }
}

Decoded decodeBytes(QByteArray data)
{
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    return decodeFrom(buffer);
}

// The reading rules applied to the whole data at once.
Decoded referenceDecode(const QByteArray &data)
{
    const qsizetype size = data.size();
    auto isDelimiter = [](char c) { return c == ',' || c == '\r' || c == '\n'; };
    Decoded decoded;
    qsizetype i = 0;
    bool afterComma = false;
    while (decoded.fields.size() < FieldCount) {
        while (i < size && (data[i] == ' ' || data[i] == '\t'))
            ++i;
        QByteArray field;
        if (i == size) {
            if (!afterComma)
                return {ENODATA, {}, -1};
            decoded.fields.append(QString());
            afterComma = false;
            continue;
        }
        if (data[i] == '"') {
            qsizetype close = data.indexOf('"', i + 1);
            if (close < 0)
                close = size;
            field = data.mid(i + 1, close - i - 1);
            i = std::min(close + 1, size);
            while (i < size && !isDelimiter(data[i]))
                ++i;
        } else {
            const qsizetype start = i;
            while (i < size && !isDelimiter(data[i]))
                ++i;
            field = data.mid(start, i - start);
        }
        if (field.size() > MaxFieldLength)
            return {EFBIG, {}, -1};
        afterComma = i < size && data[i] == ',';
        if (i < size)
            i += data[i] == '\r' && i + 1 < size && data[i + 1] == '\n' ? 2 : 1;
        decoded.fields.append(QString::fromLatin1(field));
    }
    decoded.end = i;
    return decoded;
}

bool needsQuotes(const QString &field)
{
    return field.startsWith(u' ') || field.startsWith(u'\t') || field.contains(u',') ||
           field.contains(u'\r') || field.contains(u'\n');
}

std::optional<int> referenceUnwritable(const QStringList &fields)
{
    for (int i = 0; i < fields.size(); ++i) {
        const QString &field = fields[i];
        if (field.size() > MaxFieldLength || field.contains(u'"'))
            return i;
        for (const QChar c : field) {
            if (c.unicode() > 0xff)
                return i;
        }
    }
    return std::nullopt;
}

// Fields that can be written come back unchanged, also when other data
// follows them; read through a device handing out pieces when pieces is set.
void checkFields(const QStringList &given, const QByteArray &junk, fuzzcheck::Random &random,
                 bool pieces)
{
    QStringList fields = given.mid(0, FieldCount);
    while (fields.size() < FieldCount)
        fields.append(QString());
    const std::optional<int> unwritable = firstUnwritableField(fields);
    const std::optional<int> expected = referenceUnwritable(fields);
    FUZZ_CHECK(unwritable == expected, "firstUnwritableField gave " +
                                           std::to_string(unwritable.value_or(-1)) + ", expected " +
                                           std::to_string(expected.value_or(-1)));
    if (unwritable)
        return;

    const QByteArray bytes = encode(fields);
    QByteArray documented;
    for (int i = 0; i < FieldCount; ++i) {
        const QByteArray field = fields[i].toLatin1();
        documented += needsQuotes(fields[i]) ? '"' + field + '"' : field;
        documented += (i + 1) % FieldsPerLine == 0 ? "\r\n" : ",";
    }
    FUZZ_CHECK(bytes == documented,
               "encode wrote " + show(bytes) + "\n  expected " + show(documented));
    if (!firstUnwritableField(given))
        FUZZ_CHECK(encode(given) == bytes, "missing or surplus fields change the bytes, " +
                                               std::to_string(given.size()) + " fields");

    const Decoded back{0, fields, bytes.size()};
    if (!pieces) {
        const Decoded read = decodeBytes(bytes + junk);
        FUZZ_CHECK(read == back, "read back " + show(read) + "\n  written " + show(back));
        return;
    }
    PieceDevice device(bytes + junk, random, 1 + random.below(100));
    const Decoded piecewise = decodeFrom(device);
    FUZZ_CHECK(piecewise.fields == fields && device.readAll() == junk,
               "read back in pieces " + show(piecewise) + "\n  written " + show(back));
}

// The first reading of every input: 84 fields of bounded length or a
// documented error, as the rules applied to the whole data say.
Decoded checkDecode(const QByteArray &data)
{
    const Decoded decoded = decodeBytes(data);
    if (decoded.error == 0) {
        FUZZ_CHECK(decoded.fields.size() == FieldCount && decoded.end >= 0 &&
                       decoded.end <= data.size(),
                   show(decoded));
        for (const QString &field : decoded.fields)
            FUZZ_CHECK(field.size() <= MaxFieldLength, show(decoded));
    }
    const Decoded expected = referenceDecode(data);
    FUZZ_CHECK(decoded == expected, "decode of " + show(data) + "\n  gave     " + show(decoded) +
                                        "\n  expected " + show(expected));
    return decoded;
}

// The same reading, however the data arrives, and the rest of the data left
// in the device.
void checkPieces(const QByteArray &data, const Decoded &decoded, fuzzcheck::Random &random)
{
    // Pieces of a byte or two on average are left out: the reader takes a
    // fresh chunk buffer for every piece, slow under AddressSanitizer.
    static const qsizetype LargestPieces[] = {8, 64, 4096, 1 << 20};
    const qsizetype largest =
        data.size() > 20000 ? LargestPieces[2 + random.below(2)] : LargestPieces[random.below(4)];
    PieceDevice device(data, random, largest);
    Decoded piecewise = decodeFrom(device);
    const QByteArray rest = device.readAll();
    if (piecewise.error == 0)
        piecewise.end = data.size() - rest.size();
    FUZZ_CHECK(piecewise == decoded, "decode in pieces of up to " + std::to_string(largest) +
                                         " bytes gave " + show(piecewise) + "\n  at once " +
                                         show(decoded));
}

// A device failing at some byte: the reading fails with EIO once it needs
// that byte, and is not disturbed when it stops before.
void checkFailure(const QByteArray &data, const Decoded &decoded, fuzzcheck::Random &random)
{
    const qsizetype failAt = random.below(data.size() + 1);
    PieceDevice device(data, random, 64, failAt);
    Decoded failing = decodeFrom(device, true);
    if (failing.error == 0)
        failing.end = decoded.end;
    const std::string details = "decode failing at byte " + std::to_string(failAt) + " gave " +
                                show(failing) + "\n  without failure " + show(decoded);
    FUZZ_CHECK(failing == decoded || failing.error == EIO, details);
    if (decoded.error == 0) {
        // The reader looks at most one byte beyond the stop: the line feed
        // that may follow a carriage return.
        if (failAt < decoded.end)
            FUZZ_CHECK(failing.error == EIO, details);
        if (failAt > decoded.end)
            FUZZ_CHECK(failing.error == 0, details);
    }
}

// Nothing after the stop of a successful reading matters.
void checkStop(const QByteArray &data, const Decoded &decoded)
{
    const QByteArray head = data.left(decoded.end);
    const Decoded alone = decodeBytes(head);
    FUZZ_CHECK(alone == decoded, "the data up to the stop gave " + show(alone));
    if (decoded.end < data.size()) {
        const Decoded followed = decodeBytes(head + "x" + data.mid(decoded.end));
        FUZZ_CHECK(followed.error == 0 && followed.fields == decoded.fields,
                   "other data after the stop gave " + show(followed));
    }
}

// The data with each "\0\0" + n (two bytes, big endian) replaced by n more
// copies of the byte before it; empty when the data holds no such marker.
QByteArray expanded(const QByteArray &data)
{
    QByteArray out;
    bool any = false;
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (i + 3 < data.size() && data[i] == '\0' && data[i + 1] == '\0') {
            const qsizetype n = (uchar(data[i + 2]) << 8) | uchar(data[i + 3]);
            const char repeated = out.isEmpty() ? 'x' : out.back();
            out.append(std::min(n, std::max<qsizetype>(0, ExpandedLimit - out.size())), repeated);
            any = true;
            i += 3;
        } else {
            out.append(data[i]);
        }
    }
    return any ? out : QByteArray();
}

// The input's NUL-separated parts as fields; long ones only when allowed.
QStringList fieldsOf(const QByteArray &data, bool allowLong)
{
    QStringList fields;
    int longFields = 0;
    for (const QByteArray &part : data.split('\0')) {
        if (part.startsWith('\x01')) {
            QString field;
            for (qsizetype i = 1; i + 1 < part.size(); i += 2)
                field.append(QChar(char16_t(uchar(part[i]) | (uchar(part[i + 1]) << 8))));
            fields.append(field);
        } else if (allowLong && part.startsWith('\x02') && part.size() >= 2 &&
                   longFields < LongFieldLimit) {
            ++longFields;
            const QString pattern =
                part.size() > 2 ? QString::fromLatin1(part.mid(2)) : QStringLiteral("L");
            const qsizetype length = MaxFieldLength - 2 + uchar(part[1]);
            QString field = pattern.repeated(length / pattern.size() + 1);
            field.truncate(length);
            fields.append(field);
        } else {
            fields.append(QString::fromLatin1(part));
        }
    }
    return fields;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    fuzzcheck::Random random(data, size);
    const Decoded decoded = checkDecode(bytes);
    // Under AddressSanitizer every reading costs about half a millisecond
    // (the reader's chunk buffer is a large allocation, mapped and unmapped
    // each time), so each input adds one further check, chosen by its hash.
    switch (random.below(8)) {
    case 0:
        checkPieces(bytes, decoded, random);
        break;
    case 1:
        if (decoded.error == 0)
            checkStop(bytes, decoded);
        break;
    case 2:
        if (decoded.error == 0)
            checkFields(decoded.fields, bytes.mid(decoded.end), random, random.below(2) == 0);
        break;
    case 3:
        checkFields(fieldsOf(bytes, false), bytes, random, false);
        break;
    case 4:
        checkFields(fieldsOf(bytes, false), bytes, random, true);
        break;
    case 5:
        checkFields(fieldsOf(bytes, true), bytes, random, false);
        break;
    case 6:
        if (const QByteArray large = expanded(bytes); !large.isEmpty())
            checkPieces(large, checkDecode(large), random);
        break;
    default:
        checkFailure(bytes, decoded, random);
        break;
    }
    return 0;
}
