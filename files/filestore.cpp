// SPDX-License-Identifier: GPL-3.0-or-later
// The file storage of configuration files: a new file takes its name only
// once complete, and the system's own reason comes with every failure.

#include "files/filestore.h"

#include "core/errors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// The file's failure as the user is told it: the system's error when it is
// what Qt reports (or Qt saw none, as on a short write, or gives no reason, as
// when the finished file cannot take its name); a directory in place of the
// file as such; anything else as an input/output error in Qt's words.
[[noreturn]] void throwFileError(const QFileDevice &file, int savedErrno, const QString &name)
{
    const bool qtSawNone = file.error() == QFileDevice::NoError;
    const bool qtSaysWhy = !qtSawNone && file.errorString() != QFile().errorString();
    if (savedErrno != 0 && (!qtSaysWhy || file.errorString() == qt_error_string(savedErrno)))
        throw FileError(savedErrno, qt_error_string(savedErrno));
    if (QFileInfo(name).isDir())
        throw FileError(EISDIR, qt_error_string(EISDIR));
    throw FileError(EIO, qtSawNone ? qt_error_string(EIO) : file.errorString());
}

// True when `name` exists as something other than a file or a directory: a
// device or a pipe, which is read or written in place.
bool isSpecial(const QString &name)
{
    const QFileInfo target(name);
    return target.exists() && !target.isFile() && !target.isDir();
}

// Opens a device or a pipe without waiting for a partner at its other end (a
// pipe nobody writes to reads as empty, one nobody reads fails to open);
// reads and writes then wait as usual.
void openSpecial(QFile &file, const QString &name, QIODevice::OpenMode mode)
{
#ifdef Q_OS_UNIX
    const int flags = (mode & QIODevice::WriteOnly) ? O_WRONLY | O_TRUNC : O_RDONLY;
    const int fd = ::open(QFile::encodeName(name).constData(), flags | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int number = errno;
        throw FileError(number, qt_error_string(number));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throwFileError(file, 0, name);
    }
#else
    errno = 0;
    if (!file.open(mode))
        throwFileError(file, errno, name);
#endif
}

// Writes `bytes` into the file `name` as it stands (a device or a pipe
// without waiting for its reader).
void writeInPlace(const QString &name, const QByteArray &bytes, QIODevice::OpenMode mode)
{
    QFile file(name);
    if (isSpecial(name)) {
        openSpecial(file, name, mode);
    } else {
        errno = 0;
        if (!file.open(mode))
            throwFileError(file, errno, name);
    }
    errno = 0;
    if (file.write(bytes) != bytes.size())
        throwFileError(file, errno, name);
}

} // namespace

void filestore::writeFile(const QString &name, const QByteArray &bytes)
{
    // Unbuffered: a write that stops short (a full disk, a size limit) shows
    // in what write() returns, where a buffered flush may let it pass.
    const QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Unbuffered;
    if (isSpecial(name))
        return writeInPlace(name, bytes, mode);
    QSaveFile file(name);
    errno = 0;
    if (!file.open(mode)) {
        const int savedErrno = errno;
        if ((savedErrno == EACCES || savedErrno == EPERM) && QFileInfo(name).isFile())
            return writeInPlace(name, bytes, mode);
        throwFileError(file, savedErrno, name);
    }
    errno = 0;
    if (file.write(bytes) != bytes.size())
        throwFileError(file, errno, name);
    errno = 0;
    if (!file.commit())
        throwFileError(file, errno, name);
}

std::unique_ptr<QFile> filestore::openForReading(const QString &name)
{
    auto file = std::make_unique<QFile>(name);
    if (isSpecial(name)) {
        openSpecial(*file, name, QIODevice::ReadOnly);
    } else {
        errno = 0;
        if (!file->open(QIODevice::ReadOnly))
            throwFileError(*file, errno, name);
    }
    return file;
}
