// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Cutting the device's answer to "show location d" into the three values of
// a location: its tone length, its space and its tone string.
//
// The answer reads
//   "\r\nLocation d\r\nLength = <length> ms\r\nSpace = <space>ms\r\nString = <tones>"
// followed by "\r\nView ended\r\n" for locations 0 to 6 and by nothing for
// location 7. Each value is cut by fixed offsets from the first occurrence
// of its label ("Length = ", "Space = ", "String = ", matched case-sensitively;
// a missing label counts as position 0). The cuts are separate so that the
// caller can store each value as soon as it is cut: a failing cut leaves the
// values cut before it in place.
//
// Every cut throws ReplyError (number EINVAL, the platform's description of
// it) when the reply is too short or malformed for its offsets, that is
// when the resulting start is below 1 or the resulting count is negative.

#include <QString>

// The count characters of text starting at the 1-based position start. A
// start past the end gives the empty text; a count running past the end is
// cut at the end. Throws ReplyError when start is below 1 or count is
// negative.
QString midText(const QString &text, qint64 start, qint64 count);

// The tone length: from 9 characters after "Length = " begins up to 5
// characters before "Space = " begins (the " ms\r\n" in between).
QString cutLength(const QString &reply);

// The space: from 8 characters after "Space = " begins up to 4 characters
// before "String = " begins (the "ms\r\n" in between).
QString cutSpace(const QString &reply);

// The tone string, from 9 characters after "String = " begins. For
// location 7 it runs to the end of the reply; for every other location it
// ends 14 characters before the end, leaving out "\r\nView ended\r\n".
QString cutTones(const QString &reply, int location);
