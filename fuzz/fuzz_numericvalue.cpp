// The numeric value of a text under arbitrary texts.
//
// An input is the text itself, read once as Latin-1 and once as UTF-8. Each
// text's value is checked against the number its significant characters
// begin with as the C library converts it (correctly rounded), and against
// variations of the text whose value is known from the first one: blanks,
// tabs and line feeds inserted or removed, a sign or a leading zero put in
// front, anything changed after a character that ends every number.

#include "app/text.h"
#include "fuzzcheck.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

using fuzzcheck::show;

namespace {

bool isIgnored(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isOneOf(char16_t c, const char *set)
{
    return c != 0 && c <= 0x7f && std::strchr(set, char(c)) != nullptr;
}

// The characters that may stand somewhere in a number: any other one ends
// every number, wherever it stands.
bool endsEveryNumber(char16_t c)
{
    return !isIgnored(c) && !isOneOf(c, "0123456789.+-eEdD&hHoOabcdefABCDEF");
}

// The text as the reader sees it: without blanks, tabs and line feeds, up
// to the first character beyond ASCII.
std::string significant(const QString &text)
{
    std::string out;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (isIgnored(c))
            continue;
        if (c > 0x7f)
            break;
        out.push_back(char(c));
    }
    return out;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

double converted(const std::string &literal)
{
    const double value = std::strtod(literal.c_str(), nullptr);
    return value == 0.0 ? 0.0 : value;
}

// "&H..." and "&O...": the digits after the prefix as a non-negative value.
double expectedPrefixed(const std::string &s)
{
    if (s.size() < 2)
        return 0.0;
    const char base = s[1];
    size_t i = 2;
    if (base == 'H' || base == 'h') {
        std::string digits;
        while (i < s.size() && std::isxdigit(static_cast<unsigned char>(s[i])))
            digits.push_back(s[i++]);
        return digits.empty() ? 0.0 : converted("0x" + digits);
    }
    if (base != 'O' && base != 'o')
        return 0.0;
    // Octal: the value's bits, three per digit, written as hexadecimal
    // nibbles from the lowest bit up.
    std::string bits;
    while (i < s.size() && s[i] >= '0' && s[i] <= '7') {
        const int digit = s[i++] - '0';
        for (int shift = 2; shift >= 0; --shift)
            bits.push_back(char('0' + ((digit >> shift) & 1)));
    }
    if (bits.find('1') == std::string::npos)
        return 0.0;
    bits.erase(0, bits.find('1'));
    if (bits.size() <= 64)
        return double(std::strtoull(bits.c_str(), nullptr, 2));
    std::string hex;
    for (size_t end = bits.size(); end > 0; end = end >= 4 ? end - 4 : 0) {
        const size_t begin = end >= 4 ? end - 4 : 0;
        hex.insert(hex.begin(),
                   "0123456789ABCDEF"[std::stoi(bits.substr(begin, end - begin), nullptr, 2)]);
    }
    return converted("0x" + hex);
}

// The value of the number the text begins with, by the C library.
double expectedValue(const QString &text)
{
    const std::string s = significant(text);
    if (!s.empty() && s[0] == '&')
        return expectedPrefixed(s);
    size_t i = 0;
    std::string literal;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        literal.push_back(s[i++]);
    size_t digits = 0;
    for (; i < s.size() && isDigit(s[i]); ++i, ++digits)
        literal.push_back(s[i]);
    if (i < s.size() && s[i] == '.') {
        literal.push_back(s[i++]);
        for (; i < s.size() && isDigit(s[i]); ++i, ++digits)
            literal.push_back(s[i]);
    }
    if (digits == 0)
        return 0.0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::string exponent = "e";
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            exponent.push_back(s[j++]);
        const size_t firstDigit = j;
        for (; j < s.size() && isDigit(s[j]); ++j)
            exponent.push_back(s[j]);
        if (j > firstDigit)
            literal += exponent;
    }
    return converted(literal);
}

std::string showValue(double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

// Equal as doubles and in sign, so that 0 and -0 differ.
bool same(double a, double b)
{
    return a == b && std::signbit(a) == std::signbit(b);
}

void expectValue(const char *relation, const QString &text, double expected)
{
    const double value = numericValue(text);
    FUZZ_CHECK(same(value, expected), std::string(relation) + ": value of " + show(text) + " is " +
                                          showValue(value) + ", expected " + showValue(expected));
}

void checkText(const QString &text, fuzzcheck::Random &random)
{
    const double value = numericValue(text);
    FUZZ_CHECK(!std::isnan(value), "NaN for " + show(text));
    FUZZ_CHECK(!(value == 0.0 && std::signbit(value)), "negative zero for " + show(text));
    expectValue("converted by the C library", text, expectedValue(text));

    // Blanks, tabs and line feeds anywhere change nothing.
    static const char16_t Ignored[] = {u' ', u'\t', u'\n'};
    QString spread = text;
    for (qsizetype n = 1 + random.below(8); n > 0; --n)
        spread.insert(random.below(spread.size() + 1), QChar(Ignored[random.below(3)]));
    expectValue("ignored characters inserted", spread, value);
    QString packed = text;
    packed.removeIf([](QChar c) { return isIgnored(c.unicode()); });
    expectValue("ignored characters removed", packed, value);

    // A sign in front negates a number that has none; in front of a sign or
    // of a prefix it leaves no number at all. A leading zero changes nothing
    // where it joins the digits.
    const std::string s = significant(text);
    const char first = s.empty() ? '\0' : s[0];
    if (first == '+' || first == '-' || first == '&') {
        expectValue("sign before sign or prefix", "-" + text, 0.0);
        expectValue("sign before sign or prefix", "+" + text, 0.0);
    } else {
        expectValue("minus in front", "-" + text, value == 0.0 ? 0.0 : -value);
        expectValue("plus in front", "+" + text, value);
        expectValue("zero in front", "0" + text, value);
    }
    if (s.size() >= 2 && first == '&' && isOneOf(char16_t(s[1]), "hHoO")) {
        std::string zeroAfterPrefix = s;
        zeroAfterPrefix.insert(2, "0");
        zeroAfterPrefix[1] = char(std::isupper(s[1]) ? std::tolower(s[1]) : std::toupper(s[1]));
        expectValue("zero after prefix, other case", QString::fromLatin1(zeroAfterPrefix), value);
    }

    // Nothing after a character that ends every number counts.
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (endsEveryNumber(text.at(i).unicode())) {
            expectValue("cut before the end of the number", text.left(i), value);
            expectValue("text after the end of the number", text.left(i + 1) + "1e5", value);
            expectValue("text after the end of the number", text.left(i + 1) + text, value);
            break;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzcheck::Random random(data, size);
    const char *bytes = reinterpret_cast<const char *>(data);
    checkText(QString::fromLatin1(bytes, qsizetype(size)), random);
    checkText(QString::fromUtf8(bytes, qsizetype(size)), random);
    return 0;
}
