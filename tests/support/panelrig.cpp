// SPDX-License-Identifier: GPL-3.0-or-later
#include "panelrig.h"

#include "app/defprompt.h"
#include "link/devicelink.h"
#include "link/escape.h"
#include "link/mscomm.h"
#include "play/multiplay.h"
#include "widgets/statusbox.h"

#include <QTest>

namespace {

// One transcript line in a comparable form: no comment, single spaces before the text.
QString normalized(QString line)
{
    const qsizetype lastQuote = line.lastIndexOf(QLatin1Char('"'));
    const qsizetype comment = line.indexOf(QLatin1String("//"), lastQuote + 1);
    if (comment >= 0)
        line.truncate(comment);
    const qsizetype firstQuote = line.indexOf(QLatin1Char('"'));
    const qsizetype cut = firstQuote < 0 ? line.size() : firstQuote;
    return line.left(cut).simplified() + QLatin1Char(' ') + line.mid(cut).trimmed();
}

// Qt's offscreen platform warns at every change of a window's size limits,
// burying a failing row's output; a filter in front of the test library's
// handler (in place once a test runs) keeps that out.
QtMessageHandler g_nextHandler = nullptr;

} // namespace

PanelRig::PanelRig()
{
    if (!g_nextHandler)
        g_nextHandler = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext &context, const QString &text) {
                if (text != QLatin1String("This plugin does not support propagateSizeHints()"))
                    g_nextHandler(type, context, text);
            });
    m_clock.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_clock, &QTimer::timeout, &m_clock, [this] { turnClock(); });
    m_boxes.setOnSeen([this](const BoxAnswerer::Seen &box) {
        // Escaped like every other line, so a two-line question stays one line.
        record(QStringLiteral("box"),
               escapeLineBytes((box.title + QLatin1String(": ") + box.text).toLatin1()));
    });
}

PanelRig::~PanelRig()
{
    m_clock.stop();
    m_panel.reset();
}

zsim::Options PanelRig::unpaced()
{
    zsim::Options options;
    options.paced = false;
    options.playScale = 0.0;
    return options;
}

zsim::SimulatedDevice &PanelRig::addDevice(int port, zsim::Options options)
{
    Q_ASSERT(!m_panel);
    auto device = std::make_unique<zsim::SimulatedDevice>(options);
    std::string error;
    if (!device->start(&error))
        qFatal("cannot start the simulated device: %s", error.c_str());
    m_devices[port - 1] = std::move(device);
    return *m_devices[port - 1];
}

zsim::SimulatedDevice &PanelRig::device(int port)
{
    Q_ASSERT(m_devices[port - 1]);
    return *m_devices[port - 1];
}

QString PanelRig::linkPath(int port) const
{
    return m_dir.filePath(QStringLiteral("com%1").arg(port));
}

QString PanelRig::missingPath(int port) const
{
    return m_dir.filePath(QStringLiteral("no-device-on-com%1").arg(port));
}

bool PanelRig::devicesQuiet()
{
    for (int i = 0; i < 4; ++i) {
        const auto &device = m_devices[i];
        if (!device)
            continue;
        // What the panel wrote may still sit inside the kernel, where the
        // device cannot see it yet: wait until the device has read it all.
        // Bytes lost with a dropped line are forgotten.
        if (!device->connected())
            m_written[i] = device->receivedTotal();
        if (device->receivedTotal() < m_written[i] || !device->quiescent())
            return false;
    }
    return true;
}

bool PanelRig::pausing() const
{
    if (m_attachedPausing && m_attachedPausing())
        return true;
    return m_panel && (m_panel->link().isPausing() ||
                       (m_panel->multiPlayExists() && m_panel->multiPlay()->link().isPausing()));
}

void PanelRig::turnClock()
{
    if (!pausing()) {
        m_clock.setInterval(1);
        return;
    }
    // The hook acts while the devices are quiet, so what it does to them
    // (a hang-up, a fault) meets the same state on every run.
    const bool quiet = devicesQuiet();
    if (quiet && m_tickHook)
        m_tickHook();
    if (!quiet || !devicesQuiet()) {
        m_clock.setInterval(1);
        return;
    }
    collectReplies();
    m_clock.setInterval(0);
    ++m_ticks;
    // One tick for the main window and for the Multi Play window alike.
    m_hand.turn();
}

void PanelRig::collectReplies()
{
    for (int i = 0; i < 4; ++i) {
        if (!m_devices[i])
            continue;
        const std::string sent = m_devices[i]->takeSent();
        if (sent.empty())
            continue;
        const QString what = (i == 0 ? QString() : QString::number(i + 1)) + QLatin1Char('<');
        record(what, escapeLineBytes(QByteArray::fromStdString(sent)));
    }
}

void PanelRig::recordWrite(const MSComm &comm, int port, const QByteArray &bytes)
{
    // Counted for the device at the port's path, wherever it sits.
    const std::string path = comm.portPath(port).toStdString();
    for (int i = 0; i < 4; ++i) {
        if (m_devices[i] && m_devices[i]->portPath() == path)
            m_written[i] += bytes.size();
    }
    const QString what = port == 1 ? QStringLiteral(">") : QString::number(port) + QLatin1Char('>');
    record(what, escapeLineBytes(bytes));
}

PortSetup::Sources PanelRig::portSources() const
{
    PortSetup::Sources sources;
    for (int port = 1; port <= 4; ++port) {
        const auto &device = m_devices[port - 1];
        sources.given.setPath(port, m_given[port - 1] ? *m_given[port - 1]
                                    : device          ? QString::fromStdString(device->portPath())
                                                      : missingPath(port));
        sources.fixed.setPath(port, missingPath(port));
    }
    sources.detector = m_detector;
    sources.file = portPathsFile();
    return sources;
}

void PanelRig::attach(MSComm &port, std::function<bool()> pausing)
{
    m_attachedPausing = std::move(pausing);
    QObject::connect(&port, &MSComm::written, &port, [this, &port](int n, const QByteArray &bytes) {
        recordWrite(port, n, bytes);
    });
    if (!m_clock.isActive())
        m_clock.start(1);
}

void PanelRig::record(const QString &what, const QString &text)
{
    m_transcript << QStringLiteral("%1 %2 \"%3\"").arg(m_ticks - m_markTicks).arg(what, text);
}

Zelvo &PanelRig::panel()
{
    if (m_panel)
        return *m_panel;
    Zelvo::Config config;
    config.ticks = &m_hand;
    config.endApplication = [this] { ++m_endings; };
    const PortSetup::Sources sources = portSources();
    config.ports = sources.given;
    config.fixedPorts = sources.fixed;
    config.portDetector = sources.detector;
    config.portPathsFile = sources.file;
    m_panel = std::make_unique<Zelvo>(config);
    QObject::connect(
        m_panel->MSComm1, &MSComm::written, m_panel.get(),
        [this](int port, const QByteArray &bytes) { recordWrite(*m_panel->MSComm1, port, bytes); });
    const auto recordAs = [this](const QString &what) {
        return
            [this, what](const QString &text) { record(what, escapeLineBytes(text.toLatin1())); };
    };
    QObject::connect(m_panel->StatusBox, &StatusTextBox::textSet, m_panel.get(),
                     recordAs("status"));
    QObject::connect(m_panel->defPrompt(), &DefPrompt::textSet, m_panel.get(), recordAs("prompt"));
    m_clock.start(1);
    return *m_panel;
}

Zelvo &PanelRig::start()
{
    Zelvo &zelvo = panel();
    zelvo.start();
    mark();
    clearWire();
    return zelvo;
}

Zelvo &PanelRig::restart()
{
    m_panel.reset();
    return start();
}

QString PanelRig::portPathsFile() const
{
    return m_dir.filePath(QStringLiteral("config/zelvor/panel.conf"));
}

void PanelRig::mark()
{
    collectReplies();
    m_transcript.clear();
    m_markTicks = m_ticks;
}

QStringList PanelRig::transcript()
{
    // Replies still on their way belong to the transcript too.
    if (!QTest::qWaitFor([this] { return devicesQuiet(); }, 10000))
        qWarning("the devices are still busy; the transcript may be cut short");
    collectReplies();
    return m_transcript;
}

bool PanelRig::checkTranscript(const char *expected, const char *file, int line)
{
    QStringList want;
    for (const QString &row : QString::fromUtf8(expected).split(QLatin1Char('\n'))) {
        if (!row.trimmed().isEmpty() && !row.trimmed().startsWith(QLatin1String("//")))
            want << normalized(row);
    }
    QStringList got;
    for (const QString &row : transcript())
        got << normalized(row);
    if (want == got)
        return true;
    // The actual transcript, its lines not expected marked "+", then the expected lines missing.
    QString message = QStringLiteral("transcript differs (+ not expected, - missing):\n");
    for (const QString &row : got)
        message += (want.contains(row) ? QLatin1String("   ") : QLatin1String(" + ")) + row + '\n';
    for (const QString &row : want) {
        if (!got.contains(row))
            message += QLatin1String(" - ") + row + '\n';
    }
    QTest::qFail(qPrintable(message), file, line);
    return false;
}

QByteArray PanelRig::wire(int port)
{
    return QByteArray::fromStdString(device(port).received());
}

void PanelRig::clearWire()
{
    for (auto &device : m_devices) {
        if (device)
            device->clearReceived();
    }
}
