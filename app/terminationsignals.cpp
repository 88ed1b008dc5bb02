// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/terminationsignals.h"

#include <QSocketNotifier>
#include <QWidget>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int Watched[] = {SIGTERM, SIGINT, SIGHUP};
volatile sig_atomic_t wakeFd = -1;

extern "C" void onSignal(int)
{
    const int saved = errno;
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd, &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QWidget *window) : QObject(window)
{
    // Without a pipe the signals keep their default: they end the program.
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    wakeFd = m_pipe[1];
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this, window] {
        char bytes[16];
        while (::read(m_pipe[0], bytes, sizeof bytes) > 0) {
        }
        window->close();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted port and file calls go on; the next signal is the default one.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int number : Watched) {
        struct sigaction before = {};
        if (::sigaction(number, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
            ::sigaction(number, &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    for (const int number : Watched) {
        struct sigaction now = {};
        if (::sigaction(number, nullptr, &now) == 0 && now.sa_handler == onSignal)
            std::signal(number, SIG_DFL);
    }
    wakeFd = -1;
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

#else

TerminationSignals::TerminationSignals(QWidget *window) : QObject(window) {}
TerminationSignals::~TerminationSignals() = default;

#endif
