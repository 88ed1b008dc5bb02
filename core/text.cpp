// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

// The characters a number may be written across: they are dropped wherever
// they stand, so "1 000" reads as 1000.
bool isIgnored(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDecimalDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The text without its ignored characters, up to the first character that is
// not plain ASCII: no number continues past such a character, so nothing
// after it matters.
std::string cleanedAscii(const QString &text)
{
    std::string cleaned;
    cleaned.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (isIgnored(c))
            continue;
        if (c > 0x7f)
            break;
        cleaned.push_back(static_cast<char>(c));
    }
    return cleaned;
}

// More significant digits than this never change the nearest double; the
// digits dropped beyond them are stood for by one sticky digit so that a
// value just above a halfway point still rounds up.
constexpr std::size_t KeptDecimalDigits = 800;
constexpr std::size_t KeptHexDigits = 24;

// Exponents are held far inside the range of qint64 while they are read and
// adjusted; anything this large is already infinity or zero.
constexpr qint64 ExponentLimit = qint64(1) << 40;

qint64 clampExponent(qint64 e)
{
    return std::clamp(e, -ExponentLimit, ExponentLimit);
}

// The value of the digits (no sign, no point) times 10 to the exponent,
// rounded to the nearest double as strtod does. The text handed to strtod
// has no decimal point, so the C locale's choice of point does not matter.
double decimalValue(std::string digits, qint64 exponent)
{
    const auto firstNonZero = digits.find_first_not_of('0');
    if (firstNonZero == std::string::npos)
        return 0.0;
    digits.erase(0, firstNonZero);
    if (digits.size() > KeptDecimalDigits) {
        const bool droppedNonZero =
            digits.find_first_not_of('0', KeptDecimalDigits) != std::string::npos;
        exponent = clampExponent(exponent + qint64(digits.size() - KeptDecimalDigits));
        digits.resize(KeptDecimalDigits);
        if (droppedNonZero) {
            digits.push_back('1');
            exponent = clampExponent(exponent - 1);
        }
    }
    const std::string literal = digits + 'e' + std::to_string(exponent);
    return std::strtod(literal.c_str(), nullptr);
}

// The value of hexadecimal digits, rounded to the nearest double.
double hexValue(std::string digits)
{
    const auto firstNonZero = digits.find_first_not_of('0');
    if (firstNonZero == std::string::npos)
        return 0.0;
    digits.erase(0, firstNonZero);
    qint64 binaryExponent = 0;
    if (digits.size() > KeptHexDigits) {
        const bool droppedNonZero =
            digits.find_first_not_of('0', KeptHexDigits) != std::string::npos;
        binaryExponent = clampExponent(4 * qint64(digits.size() - KeptHexDigits));
        digits.resize(KeptHexDigits);
        if (droppedNonZero) {
            digits.push_back('1');
            binaryExponent -= 4;
        }
    }
    const std::string literal = "0x" + digits + 'p' + std::to_string(binaryExponent);
    return std::strtod(literal.c_str(), nullptr);
}

// Octal digits rewritten as the hexadecimal digits of the same value.
std::string octalAsHex(const std::string &octal)
{
    static const char hexDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(octal.size());
    // Leading zero bits pad the value to whole hexadecimal digits.
    int bits = int((4 - (3 * (octal.size() % 4)) % 4) % 4);
    int nibble = 0;
    for (const char c : octal) {
        const int value = c - '0';
        for (int shift = 2; shift >= 0; --shift) {
            nibble = nibble * 2 + ((value >> shift) & 1);
            if (++bits == 4) {
                hex.push_back(hexDigits[nibble]);
                nibble = 0;
                bits = 0;
            }
        }
    }
    return hex;
}

// "&H1F" and "&O17": the digits after the prefix, read as a non-negative value.
double prefixedValue(const std::string &s)
{
    if (s.size() < 2)
        return 0.0;
    const char base = s[1];
    std::size_t end = 2;
    if (base == 'H' || base == 'h') {
        while (end < s.size() && hexDigitValue(s[end]) >= 0)
            ++end;
        return hexValue(s.substr(2, end - 2));
    }
    if (base == 'O' || base == 'o') {
        while (end < s.size() && s[end] >= '0' && s[end] <= '7')
            ++end;
        return hexValue(octalAsHex(s.substr(2, end - 2)));
    }
    return 0.0;
}

} // namespace

double numericValue(const QString &text)
{
    const std::string s = cleanedAscii(text);
    if (!s.empty() && s[0] == '&')
        return prefixedValue(s);

    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }

    // The mantissa's digits are gathered without the point; the exponent is
    // lowered by the number of digits that stood after it.
    std::string digits;
    qint64 exponent = 0;
    while (i < s.size() && isDecimalDigit(s[i]))
        digits.push_back(s[i++]);
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDecimalDigit(s[i])) {
            digits.push_back(s[i++]);
            --exponent;
        }
    }
    if (digits.empty())
        return 0.0;

    // An exponent counts only when at least one digit follows its letter.
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            negativeExponent = s[j] == '-';
            ++j;
        }
        qint64 written = 0;
        bool any = false;
        while (j < s.size() && isDecimalDigit(s[j])) {
            written = std::min(written * 10 + (s[j] - '0'), ExponentLimit);
            any = true;
            ++j;
        }
        if (any)
            exponent = clampExponent(exponent + (negativeExponent ? -written : written));
    }

    const double magnitude = decimalValue(std::move(digits), exponent);
    // A negative zero would be written "-0"; the panel knows only one zero.
    if (magnitude == 0.0)
        return 0.0;
    return negative ? -magnitude : magnitude;
}

QString formatNumber(qint64 number)
{
    const QString digits = QString::number(number);
    return number < 0 ? digits : QLatin1Char(' ') + digits;
}

bool readNumber(const QString &text, int low, int high, int *number)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        return false;
    *number = value;
    return true;
}
