// SPDX-License-Identifier: GPL-3.0-or-later
// The controls of the main window, their grouping, captions, tool tips,
// accessible names and tab order, and the wiring of their events to the
// handlers.

#include "app/zelvo.h"
#include "files/configtransfer.h"
#include "link/devicesearch.h"
#include "link/mscomm.h"
#include "link/portmenu.h"
#include "play/keypad.h"
#include "play/playpanel.h"
#include "settings/settingspanel.h"
#include "widgets/buttons.h"
#include "widgets/messagebox.h"
#include "widgets/statusbox.h"

#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {} // namespace

void Zelvo::buildWindow()
{
    setWindowTitle(QStringLiteral("The Zelvor"));
    buildMenu();

    auto *central = new QWidget(this);
    auto *columns = new QHBoxLayout(central);

    auto *left = new QVBoxLayout;
    m_settings = makeSettingsPanel();
    Export = makeButton(QStringLiteral("Export Data"),
                        QStringLiteral("Saves configuration data to a file"), m_settings);
    Import = makeButton(QStringLiteral("Import Data"),
                        QStringLiteral("Reads configuration data from a file"), m_settings);
    m_settings->addButton(Export);
    m_settings->addButton(Import);
    left->addWidget(m_settings);
    auto *bottomRow = new QHBoxLayout;
    done = makeButton(QStringLiteral("Quit"), QStringLiteral("Exits the program"), central);
    bottomRow->addWidget(m_settings->Firmware, 1);
    bottomRow->addWidget(done);
    left->addLayout(bottomRow);

    auto *right = new QVBoxLayout;
    QWidget *plays = buildPlayGroup(); // first: its Abort button goes beside the keypad
    right->addWidget(buildKeypadGroup());
    right->addWidget(plays);
    right->addWidget(buildStatusGroup(), 1);

    columns->addLayout(left, 3);
    columns->addLayout(right, 2);
    setCentralWidget(central);
    setTabOrder();
    // The window opens with the keypad focused, not the first settings field,
    // so the keyboard plays tones from the start.
    m_keypad->KeyPad[0]->setFocus();
}

void Zelvo::buildMenu()
{
    PortMenu::Hooks hooks;
    hooks.wait = [this](const std::function<bool()> &done) { waitUntil(done); };
    hooks.notify = [this](const QString &text) { msgbox::notify(this, text); };
    hooks.update = [this] { updateSettings(); };
    m_portMenu = new PortMenu(*m_portSetup, std::move(hooks), menuBar(), this);
}

QWidget *Zelvo::buildKeypadGroup()
{
    auto *group = new QGroupBox(QStringLiteral("Keypad"), this);
    m_keypad = new Keypad(
        playHost(), [this] { return Focused != kFalse; }, [this] { m_plays->Abort_Click(); },
        group);
    auto *side = new QVBoxLayout;
    for (QPushButton *button :
         {m_plays->Abort, m_settings->Clear, m_settings->UpdateButton, m_settings->Reset})
        side->addWidget(button);
    side->addStretch();

    auto *layout = new QHBoxLayout(group);
    layout->addWidget(m_keypad);
    layout->addLayout(side);
    return group;
}

QWidget *Zelvo::buildPlayGroup()
{
    m_plays = new PlayPanel(playHost(), this);
    return m_plays;
}

QWidget *Zelvo::buildStatusGroup()
{
    auto *group = new QGroupBox(QStringLiteral("Status"), this);
    StatusBox = new StatusTextBox(group);
    StatusBox->setToolTip(QStringLiteral("Displays status of the current operation"));
    StatusBox->setAccessibleName(QStringLiteral("Status"));
    StatusBox->setMinimumHeight(StatusBox->fontMetrics().lineSpacing() * 4);
    auto *layout = new QVBoxLayout(group);
    layout->addWidget(StatusBox);
    return group;
}

void Zelvo::setTabOrder()
{
    // The settings panel with its row of buttons first, then the keypad and
    // the buttons beside and below it.
    QList<QWidget *> order = m_settings->tabOrder();
    for (QPushButton *key : m_keypad->KeyPad)
        order << key;
    order << m_plays->Abort << m_settings->Clear << m_settings->UpdateButton << m_settings->Reset
          << m_plays->Memory << m_plays->Single << m_plays->Multi << StatusBox << done;
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void Zelvo::connectHandlers()
{
    const auto onClick = [this](QPushButton *button, void (Zelvo::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { handle([this, handler] { (this->*handler)(); }); });
    };
    onClick(done, &Zelvo::done_Click);
    const auto onFiles = [this](QPushButton *button, void (ConfigTransfer::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { handle([this, handler] { (m_files.get()->*handler)(); }); });
    };
    onFiles(Export, &ConfigTransfer::Export_Click);
    onFiles(Import, &ConfigTransfer::Import_Click);

    const auto onMenu = [this](QAction *item, void (DeviceSearch::*handler)()) {
        connect(item, &QAction::triggered, this, [this, item, handler](bool checked) {
            // Only the handlers set the check marks: undo the menu's own toggle.
            item->setChecked(!checked);
            handle([this, handler] { (m_deviceSearch.get()->*handler)(); });
        });
    };
    onMenu(m_portMenu->COM1, &DeviceSearch::COM1_Click);
    onMenu(m_portMenu->COM2, &DeviceSearch::COM2_Click);
    onMenu(m_portMenu->COM3, &DeviceSearch::COM3_Click);
    onMenu(m_portMenu->COM4, &DeviceSearch::COM4_Click);
    connect(m_portMenu->PortPaths, &QAction::triggered, this,
            [this] { handle([this] { m_portMenu->PortPaths_Click(); }); });
}
