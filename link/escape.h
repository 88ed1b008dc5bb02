// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Line bytes as one readable line: "\r", "\n", "\t" and "\\" escaped, any
// other control character (DEL and 0x80 to 0x9F included) as "\xNN",
// everything else as it is (Latin-1). The device trace and the tests' wire
// transcripts use it, so the two read alike.

#include <QByteArray>
#include <QString>

QString escapeLineBytes(const QByteArray &bytes);
