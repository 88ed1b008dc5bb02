// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as a whole: creation, the load step, Quit, the termination
// step and the closing of the window through its frame.

#include "app/zelvo.h"

#include "app/defprompt.h"
#include "app/windowaccess.h"
#include "files/configtransfer.h"
#include "link/commands.h"
#include "link/devicesearch.h"
#include "link/mscomm.h"
#include "link/portmenu.h"
#include "link/portsetup.h"
#include "link/ticks.h"
#include "link/wait.h"
#include "play/keypad.h"
#include "play/multiplay.h"
#include "play/playpanel.h"
#include "settings/settingspanel.h"
#include "settings/settingstransfer.h"
#include "widgets/dropreport.h"
#include "widgets/messagebox.h"
#include "widgets/statusbox.h"

#include <QCloseEvent>
#include <QCoreApplication>

Zelvo::Zelvo(const Config &config, QWidget *parent)
    : QMainWindow(parent),
      m_ticks(config.ticks ? config.ticks : new TimerTicks(config.tickMs, this)),
      m_link(makeLink()), m_tickMs(config.tickMs), m_givenTicks(config.ticks),
      m_endApplication(config.endApplication)
{
    exposeWindowClasses({&DefPrompt::staticMetaObject, &MultiPlay::staticMetaObject});
    m_portSetup = std::make_unique<PortSetup>(PortSetup::Sources{
        config.ports, config.fixedPorts, config.portDetector, config.portPathsFile});
    MSComm1->setPorts(m_portSetup->resolve().map());
    m_defPrompt = new DefPrompt(this);
    m_deviceSearch = std::make_unique<DeviceSearch>(*m_link, *m_portSetup, searchHooks());
    if (!m_endApplication)
        m_endApplication = [] { QCoreApplication::exit(0); };

    buildWindow();
    makeConfigTransfer();
    connectHandlers();
}

Zelvo::~Zelvo() = default;

DeviceSearch::Hooks Zelvo::searchHooks()
{
    DeviceSearch::Hooks hooks;
    hooks.status = [this](const QString &text) { StatusBox->setText(text); };
    hooks.promptText = [this](const QString &text) { m_defPrompt->setText(text); };
    hooks.showPrompt = [this] { m_defPrompt->show(); };
    hooks.closePrompt = [this] { m_defPrompt->close(); };
    hooks.goOnWithoutDevice = [this](const QString &question, const QString &details) {
        return msgbox::askYesNo(m_defPrompt, question, details);
    };
    hooks.goOnAfterFailedPick = [this](const QString &question) {
        return msgbox::askYesNo(this, question);
    };
    hooks.notify = [this](const QString &text) { msgbox::notify(this, text); };
    hooks.load = [this] { ensureLoaded(); };
    hooks.readSettings = [this] { readDeviceSettings(); };
    hooks.portChosen = [this](int port) { m_portMenu->checkComItem(port); };
    hooks.com1Focused = [this] { Focused = kTrue; };
    hooks.terminate = [this] { Form_Terminate(); };
    return hooks;
}

DeviceLink *Zelvo::makeLink()
{
    DeviceLink::Options options;
    options.status = [this](const QString &text) { StatusBox->setText(text); };
    options.wait = [this](const std::function<bool()> &done) { waitUntil(done); };
    return new DeviceLink(*new MSComm(PortMap(), this), *m_ticks, std::move(options), this);
}

SettingsPanel *Zelvo::makeSettingsPanel()
{
    const auto status = [this](const QString &text) { StatusBox->setText(text); };
    SettingsTransfer::Options transfer;
    transfer.status = status;
    transfer.showPrompt = [this] { m_defPrompt->show(); };
    transfer.prompt = [this](const QString &text) { m_defPrompt->setText(text); };
    transfer.passedOver = [this](int location) {
        msgbox::notify(this, QStringLiteral("Location %1 was not saved: its string may hold only "
                                            "the tones 0-9, A-D, * and #.")
                                 .arg(location));
    };
    m_settingsTransfer = std::make_unique<SettingsTransfer>(*m_link, std::move(transfer));

    SettingsPanel::Options panel;
    panel.run = [this](const std::function<void()> &handler) { handle(handler); };
    panel.status = status;
    panel.askYesNo = [this](const QString &text) { return msgbox::askYesNo(this, text); };
    panel.confirmWarning = [this](const QString &text, const QString &title) {
        msgbox::Box warning;
        warning.text = text;
        warning.title = title;
        warning.buttons = QMessageBox::Ok | QMessageBox::Cancel;
        warning.defaultButton = QMessageBox::Cancel;
        warning.icon = QMessageBox::Warning;
        return msgbox::show(this, warning) == QMessageBox::Ok;
    };
    panel.search = [this] { m_deviceSearch->Form_Initialize(); };
    panel.clearElsewhere = [this] {
        m_keypad->ToneStr.clear();
        multiPlay()->clearList();
    };
    panel.keyboardTones = [this](bool on) { Focused = on ? kTrue : kFalse; };
    panel.fieldMade = DropReport::install;
    return new SettingsPanel(*m_link, *m_settingsTransfer, std::move(panel), this);
}

void Zelvo::readDeviceSettings()
{
    m_settingsTransfer->ReadDeviceSettings(*m_settings);
}

void Zelvo::updateSettings()
{
    m_settings->UpdateButton_Click();
}

TickSource *Zelvo::ticksFor(QObject *window)
{
    return m_givenTicks ? m_givenTicks : new TimerTicks(m_tickMs, window);
}

void Zelvo::waitUntil(const std::function<bool()> &done)
{
    dispatchUntil([&] { return m_ended || done(); });
    if (m_ended)
        throw ApplicationEnded();
}

void Zelvo::start()
{
    handle([this] { m_deviceSearch->Form_Initialize(); });
    if (!m_ended)
        show();
}

void Zelvo::ensureLoaded()
{
    if (m_loaded)
        return;
    m_loaded = true;
    Form_Load();
}

void Zelvo::Form_Load()
{
    MSComm1->setSettings(zcmd::PortSettings);
    MSComm1->setInputLen(0);
    Focused = kTrue;
    m_deviceSearch->CPort = 1;
    Timer1->start();
}

void Zelvo::done_Click()
{
    if (!msgbox::askYesNo(this, QStringLiteral("Quit. Are you sure?")))
        return;
    StatusBox->setText(QStringLiteral("Goodbye! Exiting Program."));
    Pause(50);
    Form_Terminate();
}

void Zelvo::Form_Terminate()
{
    resumeNext([&] {
        if (MSComm1->portOpen())
            MSComm1->setPortOpen(false);
    });
    const QList<QWidget *> windows = m_plays->windows() << m_defPrompt << m_files->windows();
    for (QWidget *window : windows) {
        if (window)
            window->close();
    }
    m_ended = true;
    Timer1->stop();
    hide();
    m_endApplication();
    throw ApplicationEnded();
}

void Zelvo::closeEvent(QCloseEvent *event)
{
    event->accept();
    // Closing the window through its frame ends the application without a
    // question, so no port stays open behind hidden windows.
    handle([this] { Form_Terminate(); });
}

void Zelvo::reportUnhandled(const OperationError &error)
{
    // The operation has ended: its progress window goes with it.
    m_defPrompt->hide();
    msgbox::notify(this, errorMessage(error));
}

MultiPlay *Zelvo::multiPlay()
{
    return m_plays->multiPlay();
}

bool Zelvo::multiPlayExists() const
{
    return m_plays->multiPlayExists();
}

PlayHost Zelvo::playHost()
{
    PlayHost host;
    host.link = m_link;
    host.status = [this](const QString &text) { StatusBox->setText(text); };
    host.handle = [this](const std::function<void()> &handler) { handle(handler); };
    host.wait = [this](const std::function<bool()> &done) { waitUntil(done); };
    host.ticksFor = [this](QObject *owner) { return ticksFor(owner); };
    host.prompt.show = [this](const QString &text) {
        m_defPrompt->setText(text);
        m_defPrompt->show();
    };
    host.prompt.hide = [this] { m_defPrompt->hide(); };
    return host;
}

void Zelvo::makeConfigTransfer()
{
    ConfigTransfer::Options options;
    options.run = [this](const std::function<void()> &handler) { handle(handler); };
    options.wait = [this](const std::function<bool()> &done) { waitUntil(done); };
    options.clear = [this] { m_settings->Clear_Click(); };
    options.views = [this] { return QList<ConfigView *>{m_settings, multiPlay()}; };
    m_files = std::make_unique<ConfigTransfer>(*m_link, *StatusBox, std::move(options), this);
}
