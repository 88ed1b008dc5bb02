// SPDX-License-Identifier: GPL-3.0-or-later
// The numeric value of any text never fails; for the digits the input holds
// (up to 15, so every value is exact) it is their integer, whatever sign,
// prefix, blanks or trailing text it is written with.

#include "core/text.h"
#include "fuzzcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    numericValue(QString::fromLatin1(bytes));
    numericValue(QString(reinterpret_cast<const QChar *>(data), qsizetype(size / 2)));

    QString digits;
    for (const char c : bytes) {
        if (c >= '0' && c <= '9' && digits.size() < 15)
            digits += QLatin1Char(c);
    }
    if (digits.isEmpty())
        return 0;
    const qint64 value = digits.toLongLong();
    QString spread = digits;
    spread.insert(spread.size() / 2, QLatin1String(" \t\n"));
    FUZZ_CHECK(numericValue(digits) == double(value));
    FUZZ_CHECK(numericValue(QLatin1Char('-') + spread) == -double(value));
    FUZZ_CHECK(numericValue(digits + QLatin1Char('x') + QString::fromLatin1(bytes)) ==
               double(value));
    FUZZ_CHECK(numericValue("&H" + QString::number(value, 16)) == double(value));
    FUZZ_CHECK(numericValue("&O" + QString::number(value, 8)) == double(value));
    return 0;
}
