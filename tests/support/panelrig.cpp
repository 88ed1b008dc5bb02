#include "panelrig.h"

#include "app/defprompt.h"
#include "app/statusbox.h"
#include "link/mscomm.h"

#include <QTest>

PanelRig::PanelRig(int tickMs) : m_tickMs(tickMs) {}

PanelRig::~PanelRig()
{
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

Zelvo &PanelRig::panel()
{
    if (m_panel)
        return *m_panel;
    Zelvo::Config config;
    config.tickMs = m_tickMs;
    for (int port = 1; port <= 4; ++port) {
        const auto &device = m_devices[port - 1];
        config.ports.setPath(port, device ? QString::fromStdString(device->portPath())
                                          : missingPath(port));
    }
    m_panel = std::make_unique<Zelvo>(config);
    m_panel->setTickGate([this] {
        if (m_tickHook)
            m_tickHook();
        if (!devicesQuiet())
            return false;
        ++m_ticks;
        return true;
    });
    m_panel->setEndApplication([this] { ++m_endings; });
    QObject::connect(m_panel->MSComm1, &MSComm::written, m_panel.get(),
                     [this](int port, const QByteArray &bytes) { m_written[port - 1] += bytes.size(); });
    QObject::connect(m_panel->StatusBox, &StatusTextBox::textSet, m_panel.get(),
                     [this](const QString &text) { m_status << text; });
    QObject::connect(m_panel->defPrompt(), &DefPrompt::textSet, m_panel.get(),
                     [this](const QString &text) { m_prompt << text; });
    return *m_panel;
}

Zelvo &PanelRig::start()
{
    Zelvo &zelvo = panel();
    zelvo.start();
    return zelvo;
}

void PanelRig::clearTexts()
{
    m_status.clear();
    m_prompt.clear();
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
