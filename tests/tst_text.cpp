// The panel's number conventions: reading a text as a number and writing a
// number into a message.

#include "app/text.h"

#include <QTest>

#include <cmath>
#include <limits>

class TstText : public QObject
{
    Q_OBJECT

private slots:
    void numericValue_data();
    void numericValue();
    void numericValueOfHugeTexts_data();
    void numericValueOfHugeTexts();
    void numericValueHasNoNegativeZero_data();
    void numericValueHasNoNegativeZero();
    void formatNumber_data();
    void formatNumber();
};

namespace {
const double Inf = std::numeric_limits<double>::infinity();

// Doubles written with all their significant digits: QCOMPARE on doubles is
// fuzzy and would not tell neighbouring doubles (or the two zeros) apart.
QByteArray exact(double value)
{
    return QByteArray::number(value, 'g', 17);
}
} // namespace

void TstText::numericValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    // Not a number at all.
    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("sign only") << "-" << 0.0;
    QTest::newRow("point only") << "." << 0.0;
    QTest::newRow("sign and point") << "-." << 0.0;
    QTest::newRow("two signs") << "+-5" << 0.0;
    QTest::newRow("double minus") << "--5" << 0.0;
    QTest::newRow("exponent without mantissa") << "e3" << 0.0;
    QTest::newRow("point then exponent") << ".e3" << 0.0;
    QTest::newRow("C hex is not understood") << "0x10" << 0.0;
    QTest::newRow("carriage return is not ignored") << "\r12" << 0.0;

    // Plain decimal numbers.
    QTest::newRow("integer") << "300" << 300.0;
    QTest::newRow("plus") << "+5" << 5.0;
    QTest::newRow("minus") << "-3" << -3.0;
    QTest::newRow("fraction") << "0.1" << 0.1;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("negative leading point") << "-.5" << -0.5;
    QTest::newRow("trailing point") << "5." << 5.0;
    QTest::newRow("leading zeros") << "000042" << 42.0;

    // Blanks, tabs and line feeds are ignored anywhere.
    QTest::newRow("blanks between digits") << " 1 2 3" << 123.0;
    QTest::newRow("blank after sign") << "- 3" << -3.0;
    QTest::newRow("tabs and line feeds") << "\t1\n2\t" << 12.0;
    QTest::newRow("blanks around point and exponent") << "1 . 5 e 2" << 150.0;
    QTest::newRow("blanks inside prefix") << "& H 1 F" << 31.0;

    // Reading stops at the first character that cannot continue.
    QTest::newRow("trailing letter") << "300x" << 300.0;
    QTest::newRow("hex letters after decimal") << "12ab" << 12.0;
    QTest::newRow("thousands comma") << "1,000" << 1.0;
    QTest::newRow("second point") << "1.2.3" << 1.2;
    QTest::newRow("carriage return stops") << "1\r2" << 1.0;
    QTest::newRow("non-ASCII stops") << QString::fromUtf8("1\u00e92") << 1.0;
    QTest::newRow("Arabic-Indic digits are not digits") << QString::fromUtf8("\u0661\u0662") << 0.0;
    QTest::newRow("lone high surrogate first") << QString(QChar(0xd800)) + "1" << 0.0;
    QTest::newRow("lone low surrogate after") << "7" + QString(QChar(0xdc00)) + "1" << 7.0;
    QTest::newRow("embedded NUL") << QString::fromLatin1("4\0"
                                                         "5",
                                                         3)
                                  << 4.0;

    // Exponents, E or D, with an optional sign; without digits they are
    // not part of the number.
    QTest::newRow("e") << "1e3" << 1000.0;
    QTest::newRow("E minus") << "1E-3" << 0.001;
    QTest::newRow("D") << "2D2" << 200.0;
    QTest::newRow("d plus with fraction") << "1.5d+1" << 15.0;
    QTest::newRow("negative mantissa and exponent") << "-2.5e-1" << -0.25;
    QTest::newRow("bare e") << "1e" << 1.0;
    QTest::newRow("e and sign") << "1e+" << 1.0;
    QTest::newRow("e and minus") << "1e-" << 1.0;
    QTest::newRow("e then letter") << "1ex" << 1.0;
    QTest::newRow("point after exponent") << "1e3.5" << 1000.0;
    QTest::newRow("second exponent") << "1e3e4" << 1000.0;
    QTest::newRow("exponent zero") << "7e0" << 7.0;
    QTest::newRow("zero mantissa huge exponent") << "0e99999999999999999999" << 0.0;

    // Hexadecimal and octal prefixes: non-negative values.
    QTest::newRow("hex") << "&H1F" << 31.0;
    QTest::newRow("hex lower case") << "&h1f" << 31.0;
    QTest::newRow("hex 32 bits") << "&HFFFFFFFF" << 4294967295.0;
    QTest::newRow("hex 64 bits") << "&HFFFFFFFFFFFFFFFF" << 18446744073709551616.0;
    QTest::newRow("hex stops at point") << "&H10.8" << 16.0;
    QTest::newRow("hex alone") << "&H" << 0.0;
    QTest::newRow("hex without digits") << "&HG" << 0.0;
    QTest::newRow("octal") << "&O17" << 15.0;
    QTest::newRow("octal lower case") << "&o777" << 511.0;
    QTest::newRow("octal stops at 8") << "&O178" << 15.0;
    QTest::newRow("octal without digits") << "&O8" << 0.0;
    QTest::newRow("octal, many digits") << "&O1234567012345670" << 45954944846776.0;
    QTest::newRow("ampersand alone") << "&" << 0.0;
    QTest::newRow("unknown prefix") << "&X1" << 0.0;
    QTest::newRow("sign before prefix") << "-&H10" << 0.0;

    // Out of range: infinities and zero, never a failure.
    QTest::newRow("overflow") << "1e999" << Inf;
    QTest::newRow("negative overflow") << "-1e999" << -Inf;
    QTest::newRow("underflow") << "1e-999" << 0.0;
    QTest::newRow("exponent beyond 64 bits") << "1e99999999999999999999999" << Inf;
    QTest::newRow("negative exponent beyond 64 bits") << "1e-99999999999999999999999" << 0.0;
    QTest::newRow("largest double") << "1.7976931348623157e308" << 1.7976931348623157e308;
    QTest::newRow("smallest subnormal") << "4.9406564584124654e-324" << 4.9406564584124654e-324;

    // Rounding is to the nearest double, ties to even.
    QTest::newRow("tie rounds to even") << "9007199254740993" << 9007199254740992.0;
    QTest::newRow("just above tie rounds up")
        << "9007199254740993." + QString(2000, u'0') + "1" << 9007199254740994.0;
    QTest::newRow("just below tie rounds down")
        << "9007199254740992." + QString(2000, u'9') << 9007199254740992.0;
    QTest::newRow("hex tie rounds to even") << "&H20000000000001" << 9007199254740992.0;
    QTest::newRow("hex just above tie rounds up")
        << "&H20000000000001" + QString(40, u'0') + "1" << 9007199254740994.0 * std::pow(16.0, 41);
}

void TstText::numericValue()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(exact(::numericValue(text)), exact(expected));
}

void TstText::numericValueOfHugeTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    const int n = 1000000;
    QTest::newRow("a million digits") << "1" + QString(n, u'0') << Inf;
    QTest::newRow("a million digits, negative") << "-" + QString(n, u'9') << -Inf;
    QTest::newRow("a million fraction digits") << "0." + QString(n, u'0') + "1" << 0.0;
    QTest::newRow("a million digits scaled down") << "1" + QString(n, u'0') + "e-1000000" << 1.0;
    QTest::newRow("a million fraction digits scaled up")
        << "0." + QString(n - 1, u'0') + "25e1000000" << 2.5;
    QTest::newRow("a million leading zeros") << QString(n, u'0') + "42" << 42.0;
    QTest::newRow("a million blanks") << QString(n, u' ') + "-7" << -7.0;
    QTest::newRow("a million hex digits") << "&H" + QString(n, u'F') << Inf;
    QTest::newRow("a million hex zeros") << "&H" + QString(n, u'0') + "1F" << 31.0;
    QTest::newRow("a million octal digits") << "&O" + QString(n, u'7') << Inf;
    QTest::newRow("a million octal zeros") << "&O" + QString(n, u'0') + "17" << 15.0;
    QTest::newRow("a million exponent digits") << "1e" + QString(n, u'9') << Inf;
}

void TstText::numericValueOfHugeTexts()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(exact(::numericValue(text)), exact(expected));
}

void TstText::numericValueHasNoNegativeZero_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("minus zero") << "-0";
    QTest::newRow("minus zero point zero") << "-0.0";
    QTest::newRow("negative underflow") << "-1e-999";
    QTest::newRow("minus zero with exponent") << "-0e5";
}

void TstText::numericValueHasNoNegativeZero()
{
    QFETCH(QString, text);
    const double value = ::numericValue(text);
    QCOMPARE(value, 0.0);
    QVERIFY(!std::signbit(value));
}

void TstText::formatNumber_data()
{
    QTest::addColumn<qint64>("number");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero") << qint64(0) << " 0";
    QTest::newRow("positive") << qint64(3) << " 3";
    QTest::newRow("negative") << qint64(-3) << "-3";
    QTest::newRow("error number") << qint64(61) << " 61";
    QTest::newRow("largest") << std::numeric_limits<qint64>::max() << " 9223372036854775807";
    QTest::newRow("smallest") << std::numeric_limits<qint64>::min() << "-9223372036854775808";
}

void TstText::formatNumber()
{
    QFETCH(qint64, number);
    QFETCH(QString, expected);
    QCOMPARE(::formatNumber(number), expected);
}

QTEST_APPLESS_MAIN(TstText)
#include "tst_text.moc"
