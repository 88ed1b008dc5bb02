// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Number conventions shared by every window.

#include <QString>

// Window booleans are 16-bit integers: True is -1, False is 0.
constexpr qint16 kTrue = -1;
constexpr qint16 kFalse = 0;

// The numeric value of a text where the panel uses a text as a number: the
// number the text begins with. Blanks, tabs and line feeds anywhere in the
// text are ignored; a sign, a decimal point, an exponent (E or D) and the
// prefixes &H (hexadecimal) and &O (octal) are understood; reading stops at
// the first character that cannot continue the number; a text that does not
// begin with a number, the empty text included, is 0.
double numericValue(const QString &text);

// A number as the panel writes it into a message: a leading blank stands in
// place of the plus sign (3 -> " 3", -3 -> "-3").
QString formatNumber(qint64 number);

// A whole number from `low` to `high` as a command line gives it: the text
// is the number alone. On success the number goes to *number.
bool readNumber(const QString &text, int low, int high, int *number);
