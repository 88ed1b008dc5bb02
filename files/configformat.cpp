// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/configformat.h"

#include "core/errors.h"

#include <QIODevice>

#include <cerrno>

namespace configfile {

namespace {

constexpr qint64 ChunkSize = 64 * 1024;
constexpr int LineCount = FieldCount / FieldsPerLine;

bool isBlank(int c)
{
    return c == ' ' || c == '\t';
}

bool isLineEnd(int c)
{
    return c == '\r' || c == '\n';
}

bool needsQuotes(const QString &field)
{
    if (field.isEmpty())
        return false;
    if (field.front() == u' ' || field.front() == u'\t')
        return true;
    return field.contains(u',') || field.contains(u'\r') || field.contains(u'\n');
}

[[noreturn]] void throwReadError(const QIODevice &in)
{
    throw FileError(EIO, in.errorString());
}

// Byte access to the device with one byte of look-ahead. Chunks are peeked
// and only the bytes actually taken are consumed from the device, so that
// the reader stops exactly after the last field.
class ChunkReader
{
public:
    explicit ChunkReader(QIODevice &in) : m_in(in) {}

    // The next byte without taking it, or -1 at the end of the data.
    int peek()
    {
        if (m_pos == m_chunk.size() && !refill())
            return -1;
        return static_cast<unsigned char>(m_chunk[m_pos]);
    }

    // Takes the byte last returned by peek().
    void take() { ++m_pos; }

    // Consumes the bytes taken from the current chunk.
    void commit()
    {
        if (m_pos == 0)
            return;
        if (m_in.skip(m_pos) != m_pos)
            throwReadError(m_in);
        m_chunk.remove(0, m_pos);
        m_pos = 0;
    }

private:
    bool refill()
    {
        if (m_ended)
            return false;
        commit();
        m_chunk.resize(ChunkSize);
        const qint64 got = m_in.peek(m_chunk.data(), ChunkSize);
        if (got < 0)
            throwReadError(m_in);
        m_chunk.resize(got);
        m_ended = got == 0;
        return !m_ended;
    }

    QIODevice &m_in;
    QByteArray m_chunk;
    qsizetype m_pos = 0;
    bool m_ended = false;
};

// Takes the delimiter c that ended a field, if any: a comma, or a line end
// with CR LF taken as one. True when it was a comma.
bool takeDelimiter(ChunkReader &reader, int c)
{
    if (c == ',') {
        reader.take();
        return true;
    }
    if (c == '\r') {
        reader.take();
        if (reader.peek() == '\n')
            reader.take();
    } else if (c == '\n') {
        reader.take();
    }
    return false;
}

void appendByte(QByteArray &field, int c)
{
    if (field.size() == MaxFieldLength)
        throw FileError(EFBIG, QStringLiteral("A setting in the file is longer than 65,535 "
                                              "characters"));
    field.append(static_cast<char>(c));
}

} // namespace

std::optional<int> firstUnwritableField(const QStringList &fields)
{
    for (int i = 0; i < fields.size(); ++i) {
        const QString &field = fields.at(i);
        if (field.size() > MaxFieldLength)
            return i;
        for (const QChar ch : field) {
            if (ch == u'"' || ch.unicode() > 0xff)
                return i;
        }
    }
    return std::nullopt;
}

QByteArray encode(const QStringList &fields)
{
    QByteArray out;
    for (int line = 0; line < LineCount; ++line) {
        for (int column = 0; column < FieldsPerLine; ++column) {
            if (column > 0)
                out.append(',');
            const QString field = fields.value(line * FieldsPerLine + column);
            if (needsQuotes(field))
                out.append('"').append(field.toLatin1()).append('"');
            else
                out.append(field.toLatin1());
        }
        out.append("\r\n");
    }
    return out;
}

QStringList decode(QIODevice &in)
{
    ChunkReader reader(in);
    QStringList fields;
    fields.reserve(FieldCount);
    QByteArray field;
    bool afterComma = false;
    while (fields.size() < FieldCount) {
        int c = reader.peek();
        while (isBlank(c)) {
            reader.take();
            c = reader.peek();
        }
        field.clear();
        if (c < 0) {
            if (!afterComma)
                throw FileError(ENODATA,
                                QStringLiteral("The file ends before all 84 settings were read"));
            afterComma = false;
        } else if (c == '"') {
            reader.take();
            for (c = reader.peek(); c >= 0 && c != '"'; c = reader.peek()) {
                appendByte(field, c);
                reader.take();
            }
            if (c == '"') {
                reader.take();
                c = reader.peek();
            }
            while (c >= 0 && c != ',' && !isLineEnd(c)) {
                reader.take();
                c = reader.peek();
            }
            afterComma = takeDelimiter(reader, c);
        } else {
            for (; c >= 0 && c != ',' && !isLineEnd(c); c = reader.peek()) {
                appendByte(field, c);
                reader.take();
            }
            afterComma = takeDelimiter(reader, c);
        }
        fields.append(QString::fromLatin1(field));
    }
    reader.commit();
    return fields;
}

} // namespace configfile
