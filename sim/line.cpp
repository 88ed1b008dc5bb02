// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/line.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace zsim::detail {

namespace {

bool fail(std::string *error, const std::string &what)
{
    if (error)
        *error = what + ": " + std::strerror(errno);
    return false;
}

void closeQuietly(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Points `path` at `target` without a moment in which the link is missing:
// a new link under a temporary name is renamed over the old one.
bool pointLink(const std::string &path, const std::string &target, std::string *error)
{
    struct stat info
    {};
    if (::lstat(path.c_str(), &info) == 0 && !S_ISLNK(info.st_mode)) {
        errno = EEXIST;
        return fail(error, "refusing to replace " + path + ", which is not a link");
    }
    const std::string temporary = path + ".new-" + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(target.c_str(), temporary.c_str()) != 0)
        return fail(error, "cannot create link " + temporary);
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const bool failed = fail(error, "cannot rename link to " + path);
        ::unlink(temporary.c_str());
        return failed;
    }
    return true;
}

} // namespace

bool Line::openFresh(const std::string &linkPath, std::string *error)
{
    close();
    master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0)
        return fail(error, "cannot open a pseudo-terminal");
    char name[PATH_MAX] = {};
    bool ok = ::grantpt(master) == 0 || fail(error, "grantpt failed");
    ok = ok && (::unlockpt(master) == 0 || fail(error, "unlockpt failed"));
    ok = ok && (::ptsname_r(master, name, sizeof name) == 0 || fail(error, "ptsname failed"));
    const int flags = ok ? ::fcntl(master, F_GETFL) : -1;
    ok = ok && (::fcntl(master, F_SETFL, flags | O_NONBLOCK) == 0 ||
                fail(error, "cannot make the master non-blocking"));
    if (ok) {
        keptSlave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        ok = keptSlave >= 0 || fail(error, std::string("cannot open ") + name);
    }
    // Raw at once, before the panel can open the port: an echoing, line-editing
    // terminal would bounce replies back and turn "\r" into "\n". TCSANOW,
    // because a flush would race with a panel that writes immediately.
    termios settings{};
    ok = ok && (::tcgetattr(keptSlave, &settings) == 0 || fail(error, "tcgetattr failed"));
    if (ok) {
        ::cfmakeraw(&settings);
        ::cfsetispeed(&settings, B9600);
        ::cfsetospeed(&settings, B9600);
        settings.c_cflag |= CLOCAL | CREAD;
        ok = ::tcsetattr(keptSlave, TCSANOW, &settings) == 0 || fail(error, "tcsetattr failed");
    }
    if (ok) {
        slavePath = name;
        if (!linkPath.empty()) {
            ok = pointLink(linkPath, slavePath, error);
            if (ok)
                linkedTarget = slavePath;
        }
    }
    if (!ok)
        close();
    return ok;
}

void Line::close()
{
    closeQuietly(master);
    closeQuietly(keptSlave);
}

void Line::holdPanelWrites(bool held)
{
    // Output flow control of the slave: it holds the panel's descriptor too.
    if (keptSlave >= 0)
        ::tcflow(keptSlave, held ? TCOOFF : TCOON);
}

bool Line::inputPending() const
{
    if (master < 0)
        return false;
    // A poll of a terminal whose input queue is empty first waits for the
    // kernel to move over what a writer has already handed in, so a byte the
    // panel's write() accepted is never missed here.
    pollfd probe{master, POLLIN, 0};
    if (::poll(&probe, 1, 0) > 0 && (probe.revents & POLLIN))
        return true;
    int count = 0;
    return ::ioctl(master, FIONREAD, &count) == 0 && count > 0;
}

void removeLink(const std::string &path, const std::string &target)
{
    if (path.empty() || target.empty())
        return;
    char current[PATH_MAX] = {};
    const ssize_t length = ::readlink(path.c_str(), current, sizeof current - 1);
    if (length > 0 && target == std::string(current, std::size_t(length)))
        ::unlink(path.c_str());
}

WakePipe::~WakePipe()
{
    closeQuietly(readEnd);
    closeQuietly(writeEnd);
}

bool WakePipe::create(std::string *error)
{
    if (readEnd >= 0)
        return true;
    int ends[2];
    if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0)
        return fail(error, "cannot create the wake-up pipe");
    readEnd = ends[0];
    writeEnd = ends[1];
    return true;
}

void WakePipe::signal()
{
    if (writeEnd < 0)
        return;
    const char byte = 1;
    // A full pipe already wakes the reader; the byte is not needed then.
    while (::write(writeEnd, &byte, 1) < 0 && errno == EINTR) {
    }
}

void WakePipe::drain()
{
    char bytes[64];
    for (;;) {
        const ssize_t n = ::read(readEnd, bytes, sizeof bytes);
        if (n > 0 || (n < 0 && errno == EINTR))
            continue;
        return;
    }
}

} // namespace zsim::detail
