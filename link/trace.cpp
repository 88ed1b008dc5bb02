// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/trace.h"

#include "link/devicelink.h"
#include "link/escape.h"
#include "link/mscomm.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

Trace::Trace(MSComm &comm, const DeviceLink &link, QIODevice *out, QObject *parent)
    : QObject(parent), m_link(link), m_out(out)
{
    m_clock.start();
    MSComm *port = &comm;
    connect(port, &MSComm::written, this,
            [this](int, const QByteArray &bytes) { line('>', escapeLineBytes(bytes)); });
    connect(port, &MSComm::received, this,
            [this](int, const QByteArray &bytes) { line('<', escapeLineBytes(bytes)); });
    const auto event = [](int port, const QString &path, const QString &what) {
        return QStringLiteral("COM%1 ").arg(port) + path + QLatin1Char(' ') + what;
    };
    connect(port, &MSComm::portOpened, this, [this, event](int port, const QString &path) {
        line('!', event(port, path, QStringLiteral("opened")));
    });
    connect(port, &MSComm::portClosed, this, [this, event](int port, const QString &path) {
        line('!', event(port, path, QStringLiteral("closed")));
    });
    connect(port, &MSComm::portFailed, this,
            [this, event](int port, const QString &path, const QString &reason) {
                line('!', event(port, path, QStringLiteral("failed: ") + reason));
            });
}

bool Trace::openTarget(const QString &name, QFile *file, QString *error)
{
    // Unbuffered, so the trace is complete up to the last event whatever
    // happens to the program afterwards.
    const QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Unbuffered;
    const bool opened = name == QLatin1String("-")
                            ? file->open(fileno(stderr), mode, QFileDevice::DontCloseHandle)
                            : (file->setFileName(name), file->open(mode));
    if (!opened)
        *error = file->errorString();
    return opened;
}

void Trace::line(char direction, const QString &text)
{
    if (m_stopped)
        return;
    const QString head = QString::number(m_clock.elapsed()) + QLatin1Char(' ') +
                         QString::number(m_link.tickCount()) + QLatin1Char(' ') +
                         QLatin1Char(direction) + QLatin1Char(' ');
    const QByteArray bytes = (head + text + QLatin1Char('\n')).toUtf8();
    if (m_out->write(bytes) == bytes.size())
        return;
    // The reader went away (a closed pipe) or the disk is full: the panel
    // goes on without its trace.
    m_stopped = true;
    std::fprintf(stderr, "%s: the trace stopped: %s\n",
                 qPrintable(QCoreApplication::applicationName()), qPrintable(m_out->errorString()));
}
