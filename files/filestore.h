// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where a configuration file's bytes are kept: a file by name, written so
// that a failure never leaves half a file where a whole one was. What the
// bytes mean is the format's business (files/configformat.h).
//
// Every failure is a FileError carrying the system's error number and its
// description of it (EIO with Qt's words where the system gave no number).

#include <QByteArray>
#include <QString>

#include <memory>

class QFile;

namespace filestore {

// Writes `bytes` as the file `name`. A file is replaced only once the new
// contents are complete (a temporary file beside it takes the name), so a
// failure leaves any earlier file as it was. Only where no temporary file can
// be made beside it (a folder the user may not write to) is an existing file
// written in place. A device or a pipe is written as it stands, without
// waiting for its reader. Throws FileError; a directory in place of the file
// fails with EISDIR.
void writeFile(const QString &name, const QByteArray &bytes);

// The file `name` open for reading (a device or a pipe without waiting for a
// writer: a pipe nobody writes to reads as empty). Throws FileError.
std::unique_ptr<QFile> openForReading(const QString &name);

} // namespace filestore
