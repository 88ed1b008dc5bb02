// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The configuration file: the 84 texts of the panel's settings, as 28 lines
// of three fields joined by "," and each ended by CR LF, in 8-bit text
// (Latin-1: one byte is one character), without a header.
//   lines 1-8:  locations 0-7         (tone string, length, space)
//   lines 9-28: Multi Play entries 1-20 (tone, duration, space)
//
// Reading rules (decode):
//  - blanks and tabs before a field are skipped;
//  - an unquoted field ends at the next comma or line end and keeps its
//    inner and trailing blanks; CR LF, a lone CR and a lone LF each count as
//    one line end, so an empty line is one empty field;
//  - a field that starts with a double quote runs to the next double quote,
//    commas and line breaks included; the quotes are dropped and anything
//    after the closing quote up to and including the next comma or line end
//    is skipped;
//  - the end of the data ends the field being read. A comma promises one
//    more field, so "a,b," at the end of the data is three fields, the last
//    one empty; after a line end (or at the start) the end of the data, even
//    after some blanks, means there is no further field;
//  - a missing or surplus field is not detected: it shifts every later one.

#include <QByteArray>
#include <QStringList>

#include <optional>

class QIODevice;

namespace configfile {

constexpr int FieldCount = 84;
constexpr int FieldsPerLine = 3;
// The longest field the reader accepts, in characters.
constexpr int MaxFieldLength = 65535;

// The index of the first field that cannot be written so that decode reads
// it back unchanged: it holds a double quote, a character outside Latin-1
// (code above 255), or more than MaxFieldLength characters. nullopt when
// every field can be written.
std::optional<int> firstUnwritableField(const QStringList &fields);

// The file's bytes for the fields. Precondition: FieldCount fields, none of
// them unwritable (missing fields are written empty, surplus ones are
// dropped). Ordinary fields are written exactly as they are, so a file of
// ordinary content is byte for byte the plain comma-joined format; a field
// that would not survive the reader unquoted (it holds a comma, CR or LF, or
// begins with a blank or tab) is written between double quotes.
QByteArray encode(const QStringList &fields);

// Reads exactly FieldCount fields from in, which must be open for reading,
// and leaves in just after the last byte that belongs to them (the line end
// after the last field included). Reads in chunks: memory stays bounded and
// a huge file is not read beyond the fields. Throws FileError:
//  - ENODATA, "The file ends before all 84 settings were read";
//  - EFBIG, when a field is longer than MaxFieldLength characters;
//  - EIO with in's errorString() when reading fails.
QStringList decode(QIODevice &in);

} // namespace configfile
