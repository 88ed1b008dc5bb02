// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/session.h"

#include "core/errors.h"
#include "core/text.h"
#include "link/commands.h"
#include "link/devicelink.h"
#include "link/devicesearch.h"
#include "link/mscomm.h"
#include "link/ticks.h"
#include "link/wait.h"
#include "play/plays.h"
#include "play/tonelist.h"
#include "settings/settingstransfer.h"

#include <QIODevice>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace {

// The locations `write` saves: those given, else all eight.
std::vector<int> writtenLocations(const CliRequest &request)
{
    if (!request.locations.empty())
        return request.locations;
    return {0, 1, 2, 3, 4, 5, 6, 7};
}

} // namespace

CliSession::CliSession(Setup setup, QObject *parent) : QObject(parent), m_setup(std::move(setup))
{
    m_ports = std::make_unique<PortSetup>(m_setup.ports);
    m_port = std::make_unique<MSComm>(m_ports->resolve().map(), this);
    // Ctrl+C ends the command at its next wait, as ending the panel ends its handlers.
    const DeviceLink::Waiter wait = [this](const std::function<bool()> &done) {
        dispatchUntil([&] { return done() || m_interrupted; });
        if (m_interrupted)
            throw ApplicationEnded();
    };
    DeviceLink::Options options;
    options.status = [this](const QString &text) { status(text); };
    options.wait = wait;
    m_link = std::make_unique<DeviceLink>(*m_port, *m_setup.ticks, std::move(options), this);
    m_listLink = std::make_unique<DeviceLink>(*m_port, *m_setup.ticks,
                                              ToneListSend::linkOptions(wait), this);

    DeviceSearch::Hooks hooks;
    hooks.status = [this](const QString &text) { status(text); };
    hooks.promptText = hooks.status;
    // No device: the search ends and the command says so.
    hooks.goOnWithoutDevice = [](const QString &, const QString &) { return true; };
    hooks.notify = [](const QString &text) {
        std::fprintf(stderr, "zelvor-cli: %s\n", qPrintable(text));
    };
    hooks.readSettings = [this] {
        if (m_lastStep)
            m_lastStep();
    };
    hooks.portChosen = [this](int port) { m_foundPort = port; };
    m_search = std::make_unique<DeviceSearch>(*m_link, *m_ports, std::move(hooks));
    m_search->limitTo(m_setup.onlyPort);
    m_search->CPort = static_cast<qint16>(PortMap::FirstPort);

    SettingsTransfer::Options transfer;
    transfer.status = [this](const QString &text) { status(text); };
    transfer.showPrompt = [] {};
    transfer.prompt = transfer.status;
    m_transfer = std::make_unique<SettingsTransfer>(*m_link, std::move(transfer));
    m_abort = std::make_unique<AbortPlay>(*m_link, [](const QString &) {});
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

bool CliSession::isPausing() const
{
    return m_link->isPausing() || m_listLink->isPausing();
}

void CliSession::interrupt()
{
    if (m_interrupted)
        return;
    // Inside the play's wait, as the panel's Abort button acts.
    if (m_playing)
        m_abort->run();
    m_interrupted = true;
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

void CliSession::search(std::function<void()> lastStep)
{
    m_foundPort = 0;
    m_readFailure.clear();
    m_lastStep = std::move(lastStep);
    m_search->Form_Initialize();
}

void CliSession::readSettings()
{
    try {
        m_transfer->ReadDeviceSettings(m_settings);
    } catch (const ReplyError &) {
        // The search recovers from it as the panel's does; the command reports it.
        m_readFailure = QStringLiteral("the device's answer could not be read: ") +
                        m_link->RtnString.simplified();
        throw;
    } catch (const OperationError &error) {
        m_readFailure = error.description();
        throw;
    }
}

QString CliSession::rereadProblem() const
{
    if (m_foundPort == 0)
        return QStringLiteral("the device no longer answers");
    return m_readFailure;
}

bool CliSession::find(std::function<void()> lastStep)
{
    search(std::move(lastStep));
    if (m_foundPort > 0) {
        if (m_setup.found)
            m_setup.found();
        return true;
    }
    // The search's own report names each port tried and why it gave no
    // device: no answer, or a port that does not exist or is busy.
    m_error = QStringLiteral("no Zelvor found: ") +
              m_search->searchReport().replace(u'\n', QStringLiteral("; "));
    return false;
}

ExitCode CliSession::execute(const CliRequest &request, QIODevice &out)
{
    // The file first: a broken one sends nothing, not even a probe. Only
    // the lines the command sends must be sound.
    ConfigFile file;
    if (request.command == CliCommand::Write || request.command == CliCommand::List) {
        std::vector<int> sent = writtenLocations(request);
        if (request.command == CliCommand::List) {
            sent.resize(zcmd::ToneListRows);
            std::iota(sent.begin(), sent.end(), zcmd::LocationCount);
        }
        QString error;
        const std::optional<ConfigFile> read = readConfigFile(request.file, sent, &error);
        if (!read)
            return fail(ExitCode::BadFile, error);
        file = *read;
    }
    m_showProgress = request.command == CliCommand::Read || request.command == CliCommand::Write ||
                     request.command == CliCommand::List;
    ExitCode code = ExitCode::Done;
    try {
        code = runCommand(request, file, out);
    } catch (const ApplicationEnded &) {
        code = fail(ExitCode::Interrupted, QStringLiteral("interrupted"));
    } catch (const OperationError &error) {
        code = fail(ExitCode::DeviceFailed, error.description());
    }
    m_playing = false;
    status(QString());
    return code;
}

ExitCode CliSession::runCommand(const CliRequest &request, const ConfigFile &file, QIODevice &out)
{
    switch (request.command) {
    case CliCommand::Find: {
        if (!find([this] { m_transfer->readFirmware(m_settings); }))
            return ExitCode::NoDevice;
        out.write(QStringLiteral("COM%1 %2 %3\n")
                      .arg(m_foundPort)
                      .arg(m_port->portPath(m_foundPort), m_settings.firmware().trimmed())
                      .toUtf8());
        return ExitCode::Done;
    }
    case CliCommand::Read:
        if (!find([this] { readSettings(); }))
            return ExitCode::NoDevice;
        if (!m_readFailure.isEmpty())
            return fail(ExitCode::DeviceFailed, m_readFailure);
        return readOut(request, out);
    case CliCommand::None:
        return ExitCode::Usage;
    default:
        break;
    }
    if (!find({}))
        return ExitCode::NoDevice;
    if (request.command == CliCommand::Write)
        return writeFile(request, file);
    if (request.command == CliCommand::Reset) {
        m_transfer->restoreDefaults(m_settings, true,
                                    [this] { search([this] { readSettings(); }); });
        if (const QString problem = rereadProblem(); !problem.isEmpty())
            return fail(ExitCode::DeviceFailed,
                        QStringLiteral("the reading after the reset failed: ") + problem);
        return ExitCode::Done;
    }
    play(request, file);
    return ExitCode::Done;
}

void CliSession::play(const CliRequest &request, const ConfigFile &file)
{
    const StatusSink status = [this](const QString &text) { this->status(text); };
    m_playing = true;
    switch (request.command) {
    case CliCommand::Play: {
        const int abortsBefore = m_abort->runs();
        MemoryPlay(*m_link, status).run(request.symbols, [&] {
            return m_abort->runs() != abortsBefore;
        });
        break;
    }
    case CliCommand::Tone: {
        TimedPlay(*m_link, status).run(request.symbols, request.milliseconds);
        // The device times the tone; the command lasts as long, so that Ctrl+C can end it.
        const double ms = numericValue(request.milliseconds);
        m_link->Pause(static_cast<qint32>(std::ceil(ms / m_setup.tickMs)));
        break;
    }
    case CliCommand::List:
        ToneListSend(*m_listLink, {status, [] {}}).run([&](int row) {
            const ToneRow &line = file.toneList.at(row - 1);
            return ToneListSend::Line{line.tone, line.duration, line.space};
        });
        break;
    case CliCommand::Dial:
        // One key clicked after the other, each given the time to sound.
        for (const QChar symbol : request.symbols) {
            KeyTones(*m_link).dial(symbol);
            m_link->Pause(zcmd::DialGapTicks);
        }
        break;
    default:
        break;
    }
    m_playing = false;
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
    QSaveFile target(request.csvTarget);
    if (!target.open(QIODevice::WriteOnly) || target.write(*bytes) != bytes->size() ||
        !target.commit())
        return fail(ExitCode::BadFile,
                    request.csvTarget + QStringLiteral(": ") + target.errorString());
    return ExitCode::Done;
}

ExitCode CliSession::writeFile(const CliRequest &request, const ConfigFile &file)
{
    const std::vector<int> marked = writtenLocations(request);
    for (int i = 0; i < zcmd::LocationCount; ++i) {
        m_settings.setLocation(i, file.locations.at(i));
        m_settings.setMarked(i, std::find(marked.begin(), marked.end(), i) != marked.end());
    }
    // "Save to Zelvo" answered Yes: the save, then the panel's "Update", whose
    // search reads the device back.
    m_transfer->commit(m_settings, true, [this] { search([this] { readSettings(); }); });
    if (const QString problem = rereadProblem(); !problem.isEmpty())
        return fail(ExitCode::DeviceFailed, QStringLiteral("the read-back failed: ") + problem);
    for (const int i : marked) {
        const LocationTexts &held = m_settings.location(i);
        if (!(held == m_settings.cleared(i)))
            return fail(ExitCode::DeviceFailed,
                        QStringLiteral("location %1 differs: the device holds %2,%3,%4")
                            .arg(i)
                            .arg(held.tones, held.length, held.space));
    }
    return ExitCode::Done;
}
