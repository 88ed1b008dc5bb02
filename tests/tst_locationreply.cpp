// Cutting the device's answer to "show location d" into length, space and
// tone string.

#include "app/errors.h"
#include "settings/locationreply.h"

#include <QTest>

#include <cerrno>
#include <cstring>
#include <functional>
#include <limits>

class TstLocationReply : public QObject
{
    Q_OBJECT

private slots:
    void midText_data();
    void midText();
    void midTextRejects_data();
    void midTextRejects();
    void deviceReply_data();
    void deviceReply();
    void cuts_data();
    void cuts();
};

namespace {

constexpr qint64 Max = std::numeric_limits<qint64>::max();
constexpr qint64 Min = std::numeric_limits<qint64>::min();

const QString Fails = QStringLiteral("<ReplyError 22>");

// The cut text, or Fails when the cut throws the expected reply error.
QString outcome(const std::function<QString()> &cut)
{
    try {
        return cut();
    } catch (const ReplyError &error) {
        if (error.number() == 22 &&
            error.description() == QString::fromLocal8Bit(std::strerror(EINVAL)))
            return Fails;
        return QStringLiteral("<ReplyError %1 %2>").arg(error.number()).arg(error.description());
    }
}

// The answer of the device for one location, exactly as it sends it.
QString deviceAnswer(const QString &length, const QString &space, const QString &tones,
                     int location)
{
    QString answer = QStringLiteral("\r\nLocation %1\r\nLength = %2 ms\r\nSpace = %3ms\r\n"
                                    "String = %4")
                         .arg(location)
                         .arg(length, space, tones);
    if (location != 7)
        answer += QStringLiteral("\r\nView ended\r\n");
    return answer;
}

// The example reply: labels at known positions with filler around them.
QString exampleReply(bool withTrailer)
{
    return QStringLiteral("xLength = 100abcdeSpace = 250wxyzString = 123ABC") +
           (withTrailer ? QStringLiteral("..............") : QString());
}

} // namespace

void TstLocationReply::midText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("start");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<QString>("expected");

    QTest::newRow("middle") << "abcdef" << qint64(2) << qint64(3) << "bcd";
    QTest::newRow("from the start") << "abcdef" << qint64(1) << qint64(2) << "ab";
    QTest::newRow("whole") << "abcdef" << qint64(1) << qint64(6) << "abcdef";
    QTest::newRow("last character") << "abcdef" << qint64(6) << qint64(1) << "f";
    QTest::newRow("count zero") << "abcdef" << qint64(3) << qint64(0) << "";
    QTest::newRow("count past the end") << "abcdef" << qint64(4) << qint64(10) << "def";
    QTest::newRow("start just past the end") << "abcdef" << qint64(7) << qint64(1) << "";
    QTest::newRow("start far past the end") << "abcdef" << qint64(1000) << qint64(5) << "";
    QTest::newRow("empty text") << "" << qint64(1) << qint64(5) << "";
    QTest::newRow("largest count") << "abcdef" << qint64(2) << Max << "bcdef";
    QTest::newRow("largest start") << "abcdef" << Max << qint64(1) << "";
    QTest::newRow("largest start and count") << "abcdef" << Max << Max << "";
}

void TstLocationReply::midText()
{
    QFETCH(QString, text);
    QFETCH(qint64, start);
    QFETCH(qint64, count);
    QFETCH(QString, expected);
    QCOMPARE(outcome([&] { return ::midText(text, start, count); }), expected);
}

void TstLocationReply::midTextRejects_data()
{
    QTest::addColumn<qint64>("start");
    QTest::addColumn<qint64>("count");

    QTest::newRow("start zero") << qint64(0) << qint64(1);
    QTest::newRow("start negative") << qint64(-3) << qint64(1);
    QTest::newRow("smallest start") << Min << qint64(1);
    QTest::newRow("count negative") << qint64(2) << qint64(-1);
    QTest::newRow("smallest count") << qint64(2) << Min;
    QTest::newRow("count negative, start past the end") << qint64(100) << qint64(-1);
    QTest::newRow("both invalid") << qint64(0) << qint64(-1);
}

void TstLocationReply::midTextRejects()
{
    QFETCH(qint64, start);
    QFETCH(qint64, count);
    try {
        ::midText(QStringLiteral("abcdef"), start, count);
        QFAIL("no ReplyError thrown");
    } catch (const ReplyError &error) {
        QCOMPARE(error.number(), 22);
        QCOMPARE(error.description(), QString::fromLocal8Bit(std::strerror(EINVAL)));
        QVERIFY(!error.description().isEmpty());
    }
}

void TstLocationReply::deviceReply_data()
{
    QTest::addColumn<QString>("length");
    QTest::addColumn<QString>("space");
    QTest::addColumn<QString>("tones");

    QTest::newRow("typical") << "100"
                             << "250"
                             << "123ABC";
    QTest::newRow("all tone characters") << "50"
                                         << "50"
                                         << "0123456789ABCD*#";
    QTest::newRow("empty tones") << "100"
                                 << "100"
                                 << "";
    QTest::newRow("one tone") << "1"
                              << "0"
                              << "5";
    QTest::newRow("long tones") << "65535"
                                << "65535" << QString(300, u'9');
    QTest::newRow("empty values") << ""
                                  << ""
                                  << "";
    QTest::newRow("tones holding a label") << "100"
                                           << "100"
                                           << "Length = 5";
}

// Every location's answer gives back the three values the device was given.
void TstLocationReply::deviceReply()
{
    QFETCH(QString, length);
    QFETCH(QString, space);
    QFETCH(QString, tones);
    for (int location = 0; location <= 7; ++location) {
        const QString reply = deviceAnswer(length, space, tones, location);
        QCOMPARE(outcome([&] { return cutLength(reply); }), length);
        QCOMPARE(outcome([&] { return cutSpace(reply); }), space);
        QCOMPARE(outcome([&] { return cutTones(reply, location); }), tones);
    }
}

void TstLocationReply::cuts_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("location");
    QTest::addColumn<QString>("length");
    QTest::addColumn<QString>("space");
    QTest::addColumn<QString>("tones");

    QTest::newRow("example, location 0") << exampleReply(true) << 0 << "100"
                                         << "250"
                                         << "123ABC";
    QTest::newRow("example, location 6") << exampleReply(true) << 6 << "100"
                                         << "250"
                                         << "123ABC";
    QTest::newRow("example with trailer, location 7") << exampleReply(true) << 7 << "100"
                                                      << "250"
                                                      << "123ABC..............";
    QTest::newRow("example without trailer, location 7") << exampleReply(false) << 7 << "100"
                                                         << "250"
                                                         << "123ABC";
    // Without the 14 trailing characters, locations 0-6 cut the tones 14
    // short, or fail once the count turns negative.
    QTest::newRow("short trailer cuts tones short")
        << exampleReply(false) + QString(10, u'.') << 0 << "100"
        << "250"
        << "12";
    QTest::newRow("trailer missing, count exactly zero")
        << exampleReply(false) + QString(8, u'.') << 0 << "100"
        << "250"
        << "";
    QTest::newRow("trailer missing, count negative") << exampleReply(false) << 0 << "100"
                                                     << "250" << Fails;

    // A missing "Length = " is no error: the length is cut from position 9.
    QTest::newRow("no length label") << "ABCDEFGH100abcdeSpace = 250wxyzString = 7" << 7 << "100"
                                     << "250"
                                     << "7";
    // A missing label counts as position 0: the cut that ends before it
    // fails, the cut that starts after it starts near the beginning; the
    // other cuts are unaffected.
    QTest::newRow("no string label") << "xLength = 100abcdeSpace = 250wxyz" << 7 << "100" << Fails
                                     << "= 100abcdeSpace = 250wxyz";
    QTest::newRow("no string label, location 0")
        << "xLength = 100abcdeSpace = 250wxyz" << 0 << "100" << Fails << "= 100abcdeS";
    QTest::newRow("no space label") << "xLength = 100abcdeString = 123" << 7 << Fails << " = 100a"
                                    << "123";
    QTest::newRow("labels out of order")
        << "String = 1Space = 2Length = 3" << 7 << Fails << Fails << "1Space = 2Length = 3";
    QTest::newRow("labels too close")
        << "Length = Space = String = " << 0 << Fails << Fails << Fails;
    QTest::newRow("empty reply, location 0") << "" << 0 << Fails << Fails << Fails;
    QTest::newRow("empty reply, location 7") << "" << 7 << Fails << Fails << Fails;
    // Labels are matched case-sensitively, and the first occurrence counts.
    QTest::newRow("lower-case label is not a label")
        << "xlength = 999Length = 100abcdeSpace = 250wxyzString = 1" << 7 << "100"
        << "250"
        << "1";
    QTest::newRow("first occurrence counts")
        << "xLength = 100abcdeSpace = 250wxyzString = 1String = 2" << 7 << "100"
        << "250"
        << "1String = 2";
    // Values are cut by position: stray characters stay in them.
    QTest::newRow("values cut by position, not by content")
        << "xLength =  42 msSpace = 7 msString = ##" << 7 << " "
        << ""
        << "##";
}

void TstLocationReply::cuts()
{
    QFETCH(QString, reply);
    QFETCH(int, location);
    QFETCH(QString, length);
    QFETCH(QString, space);
    QFETCH(QString, tones);
    QCOMPARE(outcome([&] { return cutLength(reply); }), length);
    QCOMPARE(outcome([&] { return cutSpace(reply); }), space);
    QCOMPARE(outcome([&] { return cutTones(reply, location); }), tones);
}

QTEST_APPLESS_MAIN(TstLocationReply)
#include "tst_locationreply.moc"
