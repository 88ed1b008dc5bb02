// The controls of the main window, their grouping, captions, tool tips,
// accessible names and tab order, and the wiring of their events to the
// handlers.

#include "app/dropreport.h"
#include "app/messagebox.h"
#include "app/statusbox.h"
#include "app/typinglimit.h"
#include "app/zelvo.h"
#include "link/devicesearch.h"
#include "link/mscomm.h"
#include "link/portmenu.h"
#include "play/keypad.h"
#include "play/playpanel.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPushButton *makeButton(const QString &caption, const QString &toolTip, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setToolTip(toolTip);
    button->setAccessibleName(caption);
    return button;
}

QLineEdit *makeField(int maxLength, const QString &toolTip, const QString &name, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    new TypingLimit(maxLength, field);
    DropReport::install(field);
    field->setToolTip(toolTip);
    field->setAccessibleName(name);
    return field;
}

} // namespace

void Zelvo::buildWindow()
{
    setWindowTitle(QStringLiteral("The Zelvor"));
    buildMenu();

    auto *central = new QWidget(this);
    auto *columns = new QHBoxLayout(central);

    auto *left = new QVBoxLayout;
    left->addWidget(buildSettingsGroup());
    auto *bottomRow = new QHBoxLayout;
    Firmware = new QLabel(QStringLiteral("Firmware Version: "), central);
    Firmware->setToolTip(QStringLiteral("Device firmware info."));
    // No fixed accessible name: a screen reader reads the version shown.
    Firmware->setTextFormat(Qt::PlainText);
    done = makeButton(QStringLiteral("Quit"), QStringLiteral("Exits the program"), central);
    bottomRow->addWidget(Firmware, 1);
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
    hooks.update = [this] { UpdateButton_Click(); };
    m_portMenu = new PortMenu(*m_portSetup, std::move(hooks), menuBar(), this);
}

QWidget *Zelvo::buildSettingsGroup()
{
    auto *group = new QGroupBox(QStringLiteral("Memory/File Display"), this);
    auto *grid = new QGridLayout;
    const QStringList headings{QStringLiteral("Location"), QStringLiteral("Length [ms]"),
                               QStringLiteral("Space [ms]"), QStringLiteral("String"),
                               QStringLiteral("Update")};
    for (int column = 0; column < headings.size(); ++column) {
        auto *heading = new QLabel(headings[column], group);
        heading->setAlignment(Qt::AlignCenter);
        grid->addWidget(heading, 0, column);
    }
    for (int i = 0; i < 8; ++i) {
        const QString digit = QString::number(i);
        auto *number = new QLabel(digit, group);
        number->setAlignment(Qt::AlignCenter);
        Length[i] = makeField(5, QStringLiteral("Sets Tone duration in milliseconds"),
                              QStringLiteral("Length ") + digit, group);
        Space[i] = makeField(5, QStringLiteral("Sets Tones pacing in milliseconds"),
                             QStringLiteral("Space ") + digit, group);
        MemString[i] = makeField(20, QStringLiteral("Onboard Memory Location ") + digit,
                                 QStringLiteral("String ") + digit, group);
        Update[i] = new QCheckBox(group);
        Update[i]->setToolTip(QStringLiteral("When checked allows updating of onboard memory."));
        Update[i]->setAccessibleName(QStringLiteral("Update ") + digit);
        const int fieldWidth = Length[i]->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 9;
        Length[i]->setFixedWidth(fieldWidth);
        Space[i]->setFixedWidth(fieldWidth);
        MemString[i]->setMinimumWidth(fieldWidth * 3);
        grid->addWidget(number, i + 1, 0);
        grid->addWidget(Length[i], i + 1, 1);
        grid->addWidget(Space[i], i + 1, 2);
        grid->addWidget(MemString[i], i + 1, 3);
        grid->addWidget(Update[i], i + 1, 4, Qt::AlignCenter);
        for (QLineEdit *field : {Length[i], Space[i], MemString[i]})
            field->installEventFilter(this);
    }
    grid->setColumnStretch(3, 1);

    AllOn = makeButton(QStringLiteral("All On"), QString(), group);
    AllOff = makeButton(QStringLiteral("All Off"), QString(), group);
    Commit = makeButton(QStringLiteral("Save to Zelvo"),
                        QStringLiteral("Sends updated string information to a Zelvo"), group);
    Export = makeButton(QStringLiteral("Export Data"),
                        QStringLiteral("Saves configuration data to a file"), group);
    Import = makeButton(QStringLiteral("Import Data"),
                        QStringLiteral("Reads configuration data from a file"), group);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : {AllOn, AllOff, Commit, Export, Import})
        buttons->addWidget(button);

    auto *layout = new QVBoxLayout(group);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addLayout(buttons);
    return group;
}

QWidget *Zelvo::buildKeypadGroup()
{
    auto *group = new QGroupBox(QStringLiteral("Keypad"), this);
    m_keypad = new Keypad(
        playHost(), [this] { return Focused != kFalse; }, [this] { m_plays->Abort_Click(); },
        group);
    Clear = makeButton(QStringLiteral("Clear"), QStringLiteral("Clears all fileds"), group);
    UpdateButton =
        makeButton(QStringLiteral("Update"), QStringLiteral("Re-reads device settings"), group);
    Reset =
        makeButton(QStringLiteral("Reset"), QStringLiteral("Restores factory defaults "), group);
    auto *side = new QVBoxLayout;
    for (QPushButton *button : {m_plays->Abort, Clear, UpdateButton, Reset})
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
    // Location 0 row first, then the lengths, spaces and strings of 1 to 7,
    // then the update boxes, then the buttons.
    QList<QWidget *> order{Length[0], Space[0], MemString[0]};
    for (const auto *column : {&Length, &Space, &MemString}) {
        for (int i = 1; i < 8; ++i)
            order << (*column)[i];
    }
    for (QCheckBox *box : Update)
        order << box;
    order << AllOn << AllOff << Commit << Export << Import;
    for (QPushButton *key : m_keypad->KeyPad)
        order << key;
    order << m_plays->Abort << Clear << UpdateButton << Reset << m_plays->Memory << m_plays->Single
          << m_plays->Multi << StatusBox << done;
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void Zelvo::connectHandlers()
{
    const auto onClick = [this](QPushButton *button, void (Zelvo::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { handle([this, handler] { (this->*handler)(); }); });
    };
    onClick(AllOn, &Zelvo::AllOn_Click);
    onClick(AllOff, &Zelvo::AllOff_Click);
    onClick(Commit, &Zelvo::Commit_Click);
    onClick(Export, &Zelvo::Export_Click);
    onClick(Import, &Zelvo::Import_Click);
    onClick(Clear, &Zelvo::Clear_Click);
    onClick(UpdateButton, &Zelvo::UpdateButton_Click);
    onClick(Reset, &Zelvo::Reset_Click);
    onClick(done, &Zelvo::done_Click);

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

bool Zelvo::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::FocusIn || type == QEvent::FocusOut) {
        const bool gained = type == QEvent::FocusIn;
        for (int i = 0; i < 8; ++i) {
            if (watched == Length[i])
                handle([&] { gained ? Length_GotFocus(i) : Length_LostFocus(i); });
            else if (watched == Space[i])
                handle([&] { gained ? Space_GotFocus(i) : Space_LostFocus(i); });
            else if (watched == MemString[i])
                handle([&] { gained ? MemString_GotFocus(i) : MemString_LostFocus(i); });
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
