// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the link asks of the operating system beyond what Qt Serial Port
// offers: the system's own reason a port cannot be opened, writing to a full
// line without failing, the wait until written characters have left the
// computer, whether a line has hung up.
//
// The build compiles one implementation: platform_posix.cpp on Unix, and
// elsewhere platform_qt.cpp, which answers on Qt alone ("cannot tell" where
// only the system knows). Another platform needs one file of its own here
// and one line in the build, nothing else of the link.

#include "core/errors.h"

#include <QHash>
#include <QString>

#include <optional>

class QByteArray;
class QDeadlineTimer;
class QSerialPort;

namespace zplatform {

// Why the device at `path` cannot be opened, as the system words it, after
// the serial port class failed to open it: the number is the system's error
// number (ENOENT, EACCES, EBUSY...). nullopt when the system tells no more
// than the serial port class did.
std::optional<PortError> openFailure(const QString &path, const QSerialPort &port);

// What became of characters on their way out, or of a wait for the line.
enum class LineResult {
    Done,   // every character handed over, or sent
    Late,   // the deadline passed first
    Lost,   // the line has gone (the port may have been closed meanwhile)
    Failed, // a write failed: see the failure; the line may have gone
};

// Hands every character of `bytes` to the system for the open `port`,
// waiting for room while the line is full, until `deadline`. With Failed,
// `failure` says why.
LineResult send(QSerialPort &port, const QByteArray &bytes, const QDeadlineTimer &deadline,
                PortError *failure);

// Waits until the system has sent every character written to the open
// `port`, or until `deadline`. Done at once where the platform cannot look
// at its output queue.
LineResult drainOutput(const QSerialPort &port, const QDeadlineTimer &deadline);

// Whether the line of the open `port` has hung up or failed for good (a
// failure the serial port class reports may be passing). True where the
// platform cannot tell, so such a failure closes the port.
bool lineIsGone(const QSerialPort &port);

// Why `path` cannot be opened now, in the port menu's words ("does not exist",
// "permission denied"); empty when it can, or when the platform cannot tell.
QString accessProblem(const QString &path);

// The names that stay with a device across replugging, by device path (the
// links under /dev/serial/by-id on Linux); empty where the system keeps none.
QHash<QString, QString> stableNames();

} // namespace zplatform
