// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/session.h"

#include "cli/operations.h"
#include "core/errors.h"
#include "core/text.h"
#include "link/commands.h"
#include "link/devicelink.h"
#include "link/mscomm.h"
#include "link/ticks.h"
#include "link/wait.h"

#include <QIODevice>
#include <QSaveFile>

#include <algorithm>

namespace {

// Thrown out of a wait by Ctrl+C; no resume-next step may swallow it.
struct Interrupted
{};

bool isPlay(CliCommand command)
{
    return command == CliCommand::Play || command == CliCommand::Tone ||
           command == CliCommand::List || command == CliCommand::Dial;
}

} // namespace

CliSession::CliSession(Setup setup, QObject *parent) : QObject(parent), m_setup(std::move(setup))
{
    if (!m_setup.portPath.isEmpty())
        m_setup.ports.setPath(PortMap::FirstPort, m_setup.portPath);
    m_port = std::make_unique<MSComm>(m_setup.ports, this);
    DeviceLink::Options options;
    options.status = [this](const QString &text) { status(text); };
    options.wait = [this](const std::function<bool()> &done) {
        dispatchUntil([&] { return done() || (m_interruptPending && m_interruptible); });
        if (!done()) {
            m_interruptible = false;
            throw Interrupted{};
        }
    };
    m_link = std::make_unique<DeviceLink>(*m_port, *m_setup.ticks, options, this);
    connect(m_setup.ticks, &TickSource::ticked, m_link.get(), &DeviceLink::tick);
    m_setup.ticks->start();
}

CliSession::~CliSession()
{
    m_setup.ticks->stop();
    resumeNext([&] {
        if (m_port->portOpen())
            m_port->setPortOpen(false);
    });
}

void CliSession::interrupt()
{
    m_interruptPending = true;
}

void CliSession::status(const QString &text)
{
    if (m_showProgress && m_setup.progress)
        m_setup.progress(text);
}

ExitCode CliSession::fail(ExitCode code, const QString &error)
{
    m_error = error;
    return code;
}

int CliSession::findDevice()
{
    const auto silent = [](const QString &) {};
    if (!m_setup.portPath.isEmpty())
        return cliops::openOnePort(*m_link, PortMap::FirstPort);
    if (m_setup.com > 0)
        return cliops::openOnePort(*m_link, m_setup.com);
    return cliops::searchPorts(*m_link, silent);
}

ExitCode CliSession::execute(const CliRequest &request, QIODevice &out)
{
    // The file first: a broken one sends nothing, not even a probe.
    ConfigFile file;
    if (request.command == CliCommand::Write || request.command == CliCommand::List) {
        QString error;
        const std::optional<ConfigFile> read = readConfigFile(request.file, &error);
        if (!read)
            return fail(ExitCode::BadFile, error);
        file = *read;
    }
    try {
        try {
            const int found = findDevice();
            if (found == 0) {
                if (!m_setup.portPath.isEmpty())
                    return fail(ExitCode::NoDevice,
                                QStringLiteral("no Zelvor answered on ") + m_setup.portPath);
                if (m_setup.com > 0)
                    return fail(ExitCode::NoDevice,
                                QStringLiteral("no Zelvor answered on COM%1 (%2)")
                                    .arg(m_setup.com)
                                    .arg(m_port->portPath(m_setup.com)));
                return fail(ExitCode::NoDevice, QStringLiteral("no Zelvor found on COM1 to COM4"));
            }
            if (m_setup.found)
                m_setup.found();
            m_showProgress = request.command == CliCommand::Read ||
                             request.command == CliCommand::Write ||
                             request.command == CliCommand::List;
            const ExitCode code = runCommand(request, file, out);
            status(QString());
            return code;
        } catch (const Interrupted &) {
            status(QString());
            // A play stops as the panel's Abort stops it.
            if (isPlay(request.command))
                cliops::abort(*m_link);
            return fail(ExitCode::Interrupted, QStringLiteral("interrupted"));
        }
    } catch (const OperationError &error) {
        status(QString());
        return fail(ExitCode::DeviceFailed, error.description());
    }
}

ExitCode CliSession::runCommand(const CliRequest &request, const ConfigFile &file, QIODevice &out)
{
    DeviceLink &link = *m_link;
    switch (request.command) {
    case CliCommand::Find: {
        cliops::readFirmware(link, m_settings);
        const int slot = m_port->commPort();
        out.write(QStringLiteral("COM%1 %2 %3\n")
                      .arg(slot)
                      .arg(m_port->portPath(slot), m_settings.firmware.trimmed())
                      .toUtf8());
        return ExitCode::Done;
    }
    case CliCommand::Read:
        try {
            cliops::readSettings(link, m_settings, [this](const QString &t) { status(t); });
        } catch (const ReplyError &) {
            return fail(ExitCode::DeviceFailed,
                        QStringLiteral("the device's answer could not be read: ") +
                            link.RtnString.simplified());
        }
        return readOut(request, out);
    case CliCommand::Write:
        return writeFile(request, file);
    case CliCommand::Play:
        cliops::memoryPlay(
            link, request.symbols, [] { return false; }, [this](const QString &t) { status(t); });
        return ExitCode::Done;
    case CliCommand::Tone: {
        cliops::timedTone(link, request.symbols, request.milliseconds);
        // The device times the tone; wait for it, so Ctrl+C can still stop it.
        const double ms = numericValue(request.milliseconds);
        link.Pause(std::max(100, int((ms + m_setup.tickMs - 1) / m_setup.tickMs)));
        return ExitCode::Done;
    }
    case CliCommand::List:
        cliops::sendToneList(link, file.toneList);
        return ExitCode::Done;
    case CliCommand::Dial:
        for (const QChar symbol : request.symbols) {
            cliops::keypadTone(link, symbol);
            link.Pause(zcmd::DialGapTicks);
        }
        return ExitCode::Done;
    case CliCommand::Reset:
        cliops::factoryReset(link);
        return ExitCode::Done;
    case CliCommand::None:
        break;
    }
    return ExitCode::Usage;
}

ExitCode CliSession::readOut(const CliRequest &request, QIODevice &out)
{
    if (request.json) {
        out.write(settingsJson(m_settings));
        return ExitCode::Done;
    }
    if (request.csvTarget.isEmpty()) {
        out.write(settingsTable(m_settings).toUtf8());
        return ExitCode::Done;
    }
    const std::optional<QByteArray> bytes = settingsFile(m_settings);
    if (!bytes)
        return fail(ExitCode::DeviceFailed,
                    QStringLiteral("the device holds texts a configuration file cannot hold"));
    if (request.csvTarget == QLatin1String("-")) {
        out.write(*bytes);
        return ExitCode::Done;
    }
    QSaveFile file(request.csvTarget);
    if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() || !file.commit())
        return fail(ExitCode::BadFile,
                    request.csvTarget + QStringLiteral(": ") + file.errorString());
    return ExitCode::Done;
}

ExitCode CliSession::writeFile(const CliRequest &request, const ConfigFile &file)
{
    std::vector<int> marked = request.locations;
    if (marked.empty())
        marked = {0, 1, 2, 3, 4, 5, 6, 7};
    DeviceSettings wanted;
    wanted.locations = file.locations;
    const auto progress = [this](const QString &t) { status(t); };
    cliops::saveSettings(*m_link, wanted, marked, progress);
    // The panel's "Update": found again the same way, then read back.
    try {
        cliops::update(
            *m_link, m_settings, [this] { return findDevice(); }, progress);
    } catch (const ReplyError &) {
        return fail(ExitCode::DeviceFailed,
                    QStringLiteral("the read-back failed: ") + m_link->RtnString.simplified());
    }
    for (const int i : marked) {
        if (!(m_settings.locations[i] == wanted.locations[i]))
            return fail(ExitCode::DeviceFailed,
                        QStringLiteral("location %1 differs: the device holds %2,%3,%4")
                            .arg(i)
                            .arg(m_settings.locations[i].tones, m_settings.locations[i].length,
                                 m_settings.locations[i].space));
    }
    return ExitCode::Done;
}
