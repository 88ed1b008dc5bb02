// The configuration file format: which fields can be written, the bytes
// written for them, and reading them back from any device.

#include "app/errors.h"
#include "files/configformat.h"

#include <QBuffer>
#include <QTemporaryFile>
#include <QTest>

#include <algorithm>
#include <cerrno>

using namespace configfile;

class TstConfigFormat : public QObject
{
    Q_OBJECT

private slots:
    void firstUnwritableField_data();
    void firstUnwritableField();
    void encodeOrdinaryFieldsPlainly();
    void encodeField_data();
    void encodeField();
    void decodeRules_data();
    void decodeRules();
    void decodeEndOfData_data();
    void decodeEndOfData();
    void decodeFieldLength_data();
    void decodeFieldLength();
    void decodeStopsAfterLastField_data();
    void decodeStopsAfterLastField();
    void decodeReadError_data();
    void decodeReadError();
    void decodeAnyChunking();
    void decodeJunk();
    void decodeHugeSingleLine();
    void decodeHugeManyLines();
    void roundTrip_data();
    void roundTrip();
    void roundTripRandom();
};

namespace {

const QByteArray EmptyLine = ",,\r\n";

// A sequential device handing out `total` bytes of a repeated pattern
// without storing them, at most `step` bytes per read, and then either
// the end of the data or a read failure.
class PatternDevice : public QIODevice
{
public:
    PatternDevice(QByteArray pattern, qint64 total, qint64 step = -1, bool failAtEnd = false)
        : m_pattern(std::move(pattern)), m_total(total), m_step(step), m_failAtEnd(failAtEnd)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    qint64 produced() const { return m_produced; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_produced == m_total && m_failAtEnd) {
            setErrorString(QStringLiteral("Simulated read failure"));
            return -1;
        }
        qint64 n = std::min(maxSize, m_total - m_produced);
        if (m_step > 0)
            n = std::min(n, m_step);
        for (qint64 i = 0; i < n; ++i)
            data[i] = m_pattern.at((m_produced + i) % m_pattern.size());
        m_produced += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_pattern;
    qint64 m_total;
    qint64 m_step;
    bool m_failAtEnd;
    qint64 m_produced = 0;
};

// A small deterministic pseudo-random generator (64-bit linear
// congruential, upper bits), the same on every platform.
class Random
{
public:
    explicit Random(quint64 seed) : m_state(seed) {}
    quint64 next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return m_state >> 24;
    }
    int below(int n) { return int(next() % quint64(n)); }

private:
    quint64 m_state;
};

QStringList emptyFields()
{
    return QStringList(FieldCount, QString());
}

// The fields read from data, or the error as "FileError N".
QStringList decodeBytes(QByteArray data, QString *error = nullptr)
{
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    try {
        return decode(buffer);
    } catch (const FileError &e) {
        if (!error)
            throw;
        *error = QStringLiteral("FileError %1").arg(e.number());
        return {};
    }
}

// The number of the FileError that decoding in throws, 0 when it throws none.
int decodeError(QIODevice &in, QString *description = nullptr)
{
    try {
        decode(in);
        return 0;
    } catch (const FileError &error) {
        if (description)
            *description = error.description();
        return error.number();
    }
}

QString fileError(int number)
{
    return QStringLiteral("FileError %1").arg(number);
}

// 28 lines in which every field is named after its index: "f0,f1,f2\r\n"...
QStringList namedFields()
{
    QStringList fields;
    for (int i = 0; i < FieldCount; ++i)
        fields << QStringLiteral("f%1").arg(i);
    return fields;
}

QByteArray lines(int count, const QByteArray &line = "x,y,z\r\n")
{
    return line.repeated(count);
}

QString latin1(const char *bytes, int size)
{
    return QString::fromLatin1(bytes, size);
}

} // namespace

void TstConfigFormat::firstUnwritableField_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<int>("expected"); // -1: all writable

    auto with = [](std::initializer_list<std::pair<int, QString>> changes) {
        QStringList fields = namedFields();
        for (const auto &[index, text] : changes)
            fields[index] = text;
        return fields;
    };
    QTest::newRow("ordinary") << namedFields() << -1;
    QTest::newRow("empty") << emptyFields() << -1;
    QTest::newRow("characters needing quotes")
        << with({{0, ","}, {1, " x"}, {2, "\r\n"}, {3, "\t"}}) << -1;
    QTest::newRow("Latin-1 high characters") << with({{5, latin1("\xe9\xff\x80", 3)}}) << -1;
    QTest::newRow("longest field") << with({{83, QString(MaxFieldLength, u'x')}}) << -1;
    QTest::newRow("double quote") << with({{5, "say \"hi\""}}) << 5;
    QTest::newRow("double quote alone") << with({{0, "\""}}) << 0;
    QTest::newRow("beyond Latin-1") << with({{83, QString(QChar(0x100))}}) << 83;
    QTest::newRow("euro sign") << with({{40, QString::fromUtf8("5 \u20ac")}}) << 40;
    QTest::newRow("lone surrogate") << with({{7, QString(QChar(0xd800))}}) << 7;
    QTest::newRow("first of several") << with({{30, "\""}, {10, QString(QChar(0x263a))}}) << 10;
    QTest::newRow("too long") << with({{20, QString(MaxFieldLength + 1, u'x')}}) << 20;
}

void TstConfigFormat::firstUnwritableField()
{
    QFETCH(QStringList, fields);
    QFETCH(int, expected);
    QCOMPARE(configfile::firstUnwritableField(fields).value_or(-1), expected);
}

void TstConfigFormat::encodeOrdinaryFieldsPlainly()
{
    const QByteArray empty = encode(emptyFields());
    QCOMPARE(empty.size(), 112);
    QCOMPARE(empty, lines(28, EmptyLine));

    QByteArray plain;
    const QStringList fields = namedFields();
    for (int line = 0; line < 28; ++line)
        plain += fields.mid(line * 3, 3).join(u',').toLatin1() + "\r\n";
    QCOMPARE(encode(fields), plain);
}

void TstConfigFormat::encodeField_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("tones") << "123ABC*#" << QByteArray("123ABC*#");
    QTest::newRow("inner and trailing blanks") << "a b \t" << QByteArray("a b \t");
    QTest::newRow("Latin-1") << latin1("\xe9\xff", 2) << QByteArray("\xe9\xff");
    QTest::newRow("control character") << latin1("\x01\0", 2) << QByteArray("\x01\0", 2);
    QTest::newRow("comma") << "1,000" << QByteArray("\"1,000\"");
    QTest::newRow("CR LF") << "a\r\nb" << QByteArray("\"a\r\nb\"");
    QTest::newRow("lone CR") << "a\r" << QByteArray("\"a\r\"");
    QTest::newRow("lone LF") << "\n" << QByteArray("\"\n\"");
    QTest::newRow("leading blank") << " 5" << QByteArray("\" 5\"");
    QTest::newRow("leading tab") << "\t5" << QByteArray("\"\t5\"");
    QTest::newRow("blanks only") << "   " << QByteArray("\"   \"");
}

// The field is written as shown, in the first place of an otherwise empty file.
void TstConfigFormat::encodeField()
{
    QFETCH(QString, field);
    QFETCH(QByteArray, written);
    QStringList fields = emptyFields();
    fields[0] = field;
    QCOMPARE(encode(fields), written + EmptyLine + lines(27, EmptyLine));
}

void TstConfigFormat::decodeRules_data()
{
    QTest::addColumn<QByteArray>("data");
    // The first fields read, joined by "|".
    QTest::addColumn<QString>("expected");

    QTest::newRow("CR LF lines") << QByteArray("a,b,c\r\nd,e,f\r\n") << QString("a|b|c|d|e|f");
    QTest::newRow("lone LF lines") << QByteArray("a,b,c\nd,e,f\n") << QString("a|b|c|d|e|f");
    QTest::newRow("lone CR lines") << QByteArray("a,b,c\rd,e,f\r") << QString("a|b|c|d|e|f");
    QTest::newRow("mixed line ends") << QByteArray("a\rb\nc\r\nd") << QString("a|b|c|d");
    QTest::newRow("empty fields") << QByteArray(",,\r\n,x,") << QString("||||x|");
    QTest::newRow("leading blanks skipped") << QByteArray("  a,\tb, \t c") << QString("a|b|c");
    QTest::newRow("inner and trailing blanks kept")
        << QByteArray("a b ,c\t,d  \r\ne") << QString("a b |c\t|d  |e");
    QTest::newRow("empty line is one field") << QByteArray("a,b,c\r\n\r\nd") << QString("a|b|c||d");
    QTest::newRow("blanks-only line is one field")
        << QByteArray("a\r\n  \t\r\nb") << QString("a||b");
    QTest::newRow("LF CR is two line ends") << QByteArray("a\n\rb") << QString("a||b");
    QTest::newRow("CR CR LF is two line ends") << QByteArray("a\r\r\nb") << QString("a||b");
    QTest::newRow("quoted comma") << QByteArray("\"a,b\",c") << QString("a,b|c");
    QTest::newRow("quoted line breaks")
        << QByteArray("\"x\r\ny\rz\n\",c") << QString("x\r\ny\rz\n|c");
    QTest::newRow("quoted blanks") << QByteArray("  \"  a \" ,b") << QString("  a |b");
    QTest::newRow("quoted empty") << QByteArray("\"\",x") << QString("|x");
    QTest::newRow("after quote skipped to comma") << QByteArray("\"a\"junk,b") << QString("a|b");
    QTest::newRow("after quote skipped to line end")
        << QByteArray("\"a\" j,u\r\nb") << QString("a|u|b");
    QTest::newRow("after quote skipped past quote") << QByteArray("\"a\"\"b\",c") << QString("a|c");
    QTest::newRow("quote inside unquoted field") << QByteArray("a\"b,c") << QString("a\"b|c");
    QTest::newRow("Latin-1 bytes") << QByteArray("\xe9\xff,\x80") << latin1("\xe9\xff|\x80", 4);
    QTest::newRow("NUL byte") << QByteArray("a\0b,c", 5) << latin1("a\0b|c", 5);
    QTest::newRow("surplus field shifts") << QByteArray("a,b,c,d\r\ne,f") << QString("a|b|c|d|e|f");
    QTest::newRow("missing field shifts") << QByteArray("a,b\r\nc,d,e") << QString("a|b|c|d|e");
}

// The rows are followed by a line end and enough empty lines for 84 fields.
void TstConfigFormat::decodeRules()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, expected);
    const QStringList fields = decodeBytes(data + "\r\n" + lines(28, EmptyLine));
    QCOMPARE(fields.size(), FieldCount);
    const QStringList first = expected.split(u'|');
    QCOMPARE(fields.mid(0, first.size()), first);
}

void TstConfigFormat::decodeEndOfData_data()
{
    QTest::addColumn<QByteArray>("data");
    // The last three fields joined by "|", or the error thrown.
    QTest::addColumn<QString>("outcome");

    const QByteArray start = lines(27);
    QTest::newRow("last line ended") << start + "a,b,c\r\n" << QString("a|b|c");
    QTest::newRow("last line not ended") << start + "a,b,c" << QString("a|b|c");
    QTest::newRow("comma promises a field") << start + "a,b," << QString("a|b|");
    QTest::newRow("comma and blanks") << start + "a,b,  " << QString("a|b|");
    QTest::newRow("trailing blanks kept at end") << start + "a,b,c " << QString("a|b|c ");
    QTest::newRow("quoted last field") << start + "a,b,\"c\"" << QString("a|b|c");
    QTest::newRow("unterminated quote") << start + "a,b,\"c,\r\n" << QString("a|b|c,\r\n");
    QTest::newRow("empty last line") << start + "a,b\r\n\r\n" << QString("a|b|");
    QTest::newRow("one field short") << start + "a,b" << fileError(ENODATA);
    QTest::newRow("one field short, ended") << start + "a,b\r\n" << fileError(ENODATA);
    QTest::newRow("blanks after line end") << start + "a,b\r\n \t " << fileError(ENODATA);
    QTest::newRow("27 lines") << start << fileError(ENODATA);
    QTest::newRow("empty data") << QByteArray() << fileError(ENODATA);
    QTest::newRow("blanks only") << QByteArray("   ") << fileError(ENODATA);
}

void TstConfigFormat::decodeEndOfData()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, outcome);
    QString error;
    const QStringList fields = decodeBytes(data, &error);
    QCOMPARE(error.isEmpty() ? fields.mid(FieldCount - 3).join(u'|') : error, outcome);
}

void TstConfigFormat::decodeFieldLength_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<int>("length"); // -1: too long

    const QByteArray longest(MaxFieldLength, 'x');
    QTest::newRow("longest") << longest << MaxFieldLength;
    QTest::newRow("one too long") << longest + "x" << -1;
    QTest::newRow("far too long") << longest.repeated(10) << -1;
    QTest::newRow("longest quoted") << "\"" + longest + "\"" << MaxFieldLength;
    QTest::newRow("one too long quoted") << "\"" + longest + "x\"" << -1;
    QTest::newRow("one too long, unterminated quote") << "\"" + longest + "x" << -1;
    QTest::newRow("trailing blank counts") << longest + " " << -1;
    QTest::newRow("leading blanks do not count") << "   " + longest << MaxFieldLength;
}

void TstConfigFormat::decodeFieldLength()
{
    QFETCH(QByteArray, field);
    QFETCH(int, length);
    try {
        const QStringList fields = decodeBytes(field + ",\r\n" + lines(28, EmptyLine));
        QCOMPARE(fields.first().size(), length);
    } catch (const FileError &error) {
        QCOMPARE(-1, length);
        QCOMPARE(error.number(), EFBIG);
        QVERIFY2(error.description().contains("65,535"), qPrintable(error.description()));
    }
}

void TstConfigFormat::decodeStopsAfterLastField_data()
{
    QTest::addColumn<QByteArray>("fields");
    QTest::addColumn<QByteArray>("rest");

    QTest::newRow("nothing after") << encode(namedFields()) << QByteArray();
    QTest::newRow("junk after") << encode(namedFields()) << QByteArray("junk,\"\r\n");
    QTest::newRow("second file after") << encode(namedFields()) << encode(emptyFields());
    QTest::newRow("LF line ends, CR after") << lines(28, "a,b,c\n") << QByteArray("\r");
    QTest::newRow("CR line ends, CR after") << lines(28, "a,b,c\r") << QByteArray("\r\n");
    QTest::newRow("quoted last field, rest of line skipped") << lines(27) + "a,b,\"c\"xyz\r\n"
                                                             << QByteArray("more");
    QTest::newRow("last field ends at comma") << lines(27) + "a,b,c," << QByteArray("d\r\n");
}

// Decoding leaves the device, sequential or a file, just after the last
// field's own bytes.
void TstConfigFormat::decodeStopsAfterLastField()
{
    QFETCH(QByteArray, fields);
    QFETCH(QByteArray, rest);
    for (const qint64 step : {qint64(-1), qint64(1), qint64(7)}) {
        PatternDevice device(fields + rest, fields.size() + rest.size(), step);
        QCOMPARE(decode(device).size(), FieldCount);
        QCOMPARE(device.readAll(), rest);
    }
    QTemporaryFile file;
    QVERIFY(file.open());
    QCOMPARE(file.write(fields + rest), qint64(fields.size() + rest.size()));
    QVERIFY(file.seek(0));
    QCOMPARE(decode(file).size(), FieldCount);
    QCOMPARE(file.pos(), qint64(fields.size()));
}

void TstConfigFormat::decodeReadError_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::newRow("at once") << QByteArray();
    QTest::newRow("after some lines") << lines(5);
    QTest::newRow("after a CR") << lines(5) + "a,b,c\r";
    QTest::newRow("inside a quoted field") << lines(5) + "\"abc";
}

void TstConfigFormat::decodeReadError()
{
    QFETCH(QByteArray, before);
    PatternDevice device(before.isEmpty() ? QByteArray("x") : before, before.size(), -1, true);
    QString description;
    QCOMPARE(decodeError(device, &description), EIO);
    QCOMPARE(description, QStringLiteral("Simulated read failure"));
}

// However the device hands out its bytes, the same fields are read: a line
// end or a field split between two reads is still one.
void TstConfigFormat::decodeAnyChunking()
{
    QList<QByteArray> inputs = {lines(28, "a,b,c\r\n"), lines(28, "\"a\r\n\" x,  b ,\"\"\r"),
                                lines(40, "a\r\r\n\n\r")};
    // A CR LF straddling the 64 KiB mark of an ordinary read.
    for (int length = MaxFieldLength - 2; length <= MaxFieldLength; ++length)
        inputs << QByteArray(length, 'x') + "\r\n" + lines(28, "d,e,f\r\n");
    for (const QByteArray &input : inputs) {
        const QStringList expected = decodeBytes(input);
        for (const qint64 step : {qint64(1), qint64(2), qint64(3), qint64(4096)}) {
            PatternDevice device(input, input.size(), step);
            QCOMPARE(decode(device), expected);
        }
    }
    QCOMPARE(decodeBytes(inputs.last()).at(1), QStringLiteral("d"));
}

// Arbitrary bytes either give 84 fields or a file error, never a crash.
void TstConfigFormat::decodeJunk()
{
    Random random(20240611);
    const QByteArray likely = ",,,\r\n\r\n\"\" \t xyz";
    for (int i = 0; i < 600; ++i) {
        QByteArray junk(i < 590 ? random.below(1500) : 70000 + random.below(140000), '\0');
        const bool structured = i % 2 == 0;
        for (char &byte : junk)
            byte = structured ? likely.at(random.below(likely.size())) : char(random.next());
        QString error;
        const QStringList fields = decodeBytes(junk, &error);
        if (error.isEmpty())
            QCOMPARE(fields.size(), FieldCount);
        else
            QVERIFY2(error == fileError(ENODATA) || error == fileError(EFBIG), qPrintable(error));
    }
}

// A 300 MB line is given up as soon as its field is too long.
void TstConfigFormat::decodeHugeSingleLine()
{
    PatternDevice device("x", qint64(300) << 20);
    QCOMPARE(decodeError(device), EFBIG);
    QVERIFY2(device.produced() < (qint64(1) << 20), QByteArray::number(device.produced()));
}

// From 300 MB of valid lines only the first 28 are read.
void TstConfigFormat::decodeHugeManyLines()
{
    PatternDevice device("a,b,c\r\n", qint64(300) << 20);
    const QStringList fields = decode(device);
    QCOMPARE(fields.join(u','), QStringList(28, QStringLiteral("a,b,c")).join(u','));
    // The next line is still there to read, and little more than it was produced.
    QCOMPARE(device.read(7), QByteArray("a,b,c\r\n"));
    QVERIFY2(device.produced() < (qint64(1) << 20), QByteArray::number(device.produced()));
}

void TstConfigFormat::roundTrip_data()
{
    QTest::addColumn<QStringList>("fields");

    const QString high = latin1("\xa0\xe9\xff\x80\x01", 5);
    QTest::newRow("empty") << emptyFields();
    QTest::newRow("ordinary") << namedFields();
    QStringList awkward = emptyFields();
    const QStringList samples = {
        ",",      " ",     "\t", "   ",      " a",  "a ",  "\r\n",          "\r",  "\n",  "a,b",
        ",\r\n,", "\t,\t", high, " " + high, "x\r", "\n ", latin1("\0", 1), "a b", ",,,", "\r\r\n"};
    for (int i = 0; i < FieldCount; ++i)
        awkward[i] = samples.at(i % samples.size());
    QTest::newRow("awkward") << awkward;
    QStringList longest = emptyFields();
    longest[0] = QString(MaxFieldLength, u'x');
    longest[1] = QString(MaxFieldLength, u',');
    longest[2] = " " + QString(MaxFieldLength - 1, u'\n');
    longest[83] = QString(MaxFieldLength, QChar(0xff));
    QTest::newRow("longest fields") << longest;
}

void TstConfigFormat::roundTrip()
{
    QFETCH(QStringList, fields);
    QVERIFY(!configfile::firstUnwritableField(fields));
    QCOMPARE(decodeBytes(encode(fields)), fields);
}

// Many pseudo-random writable field sets come back unchanged.
void TstConfigFormat::roundTripRandom()
{
    Random random(84);
    const QString alphabet = latin1("aZ09*#,,  \t\t\r\n\r\n\xe9\xff\x80\x01\0.-", 22);
    for (int round = 0; round < 2000; ++round) {
        QStringList fields;
        for (int i = 0; i < FieldCount; ++i) {
            const int length = random.below(8) == 0 ? random.below(400) : random.below(6);
            QString field;
            for (int c = 0; c < length; ++c)
                field += alphabet.at(random.below(alphabet.size()));
            fields << field;
        }
        QVERIFY(!configfile::firstUnwritableField(fields));
        const QStringList back = decodeBytes(encode(fields));
        if (back != fields) {
            for (int i = 0; i < FieldCount; ++i)
                QCOMPARE(back.at(i), fields.at(i));
        }
    }
}

QTEST_APPLESS_MAIN(TstConfigFormat)
#include "tst_configformat.moc"
