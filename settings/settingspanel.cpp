// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settingspanel.h"

#include "core/errors.h"
#include "link/devicelink.h"
#include "settings/settingstransfer.h"
#include "settings/typinglimit.h"
#include "widgets/buttons.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit *makeField(int maxLength, const QString &toolTip, const QString &name, QWidget *parent,
                     const std::function<void(QLineEdit *)> &made)
{
    auto *field = new QLineEdit(parent);
    new TypingLimit(maxLength, field);
    made(field);
    field->setToolTip(toolTip);
    field->setAccessibleName(name);
    return field;
}

// The order of a location's fields in a line of the configuration file.
constexpr SettingsStore::Field FileColumns[] = {
    SettingsStore::Field::Tones, SettingsStore::Field::Length, SettingsStore::Field::Space};

} // namespace

SettingsPanel::SettingsPanel(DeviceLink &link, SettingsTransfer &transfer, Options options,
                             QWidget *parent)
    : QGroupBox(QStringLiteral("Memory/File Display"), parent), m_link(link), m_transfer(transfer),
      m_options(std::move(options))
{
    Firmware = new QLabel(QStringLiteral("Firmware Version: "), this);
    Firmware->setToolTip(QStringLiteral("Device firmware info."));
    // No fixed accessible name: a screen reader reads the version shown.
    Firmware->setTextFormat(Qt::PlainText);

    buildRows();
    connectHandlers();
}

void SettingsPanel::buildRows()
{
    auto *grid = new QGridLayout;
    const QStringList headings{QStringLiteral("Location"), QStringLiteral("Length [ms]"),
                               QStringLiteral("Space [ms]"), QStringLiteral("String"),
                               QStringLiteral("Update")};
    for (int column = 0; column < headings.size(); ++column) {
        auto *heading = new QLabel(headings[column], this);
        heading->setAlignment(Qt::AlignCenter);
        grid->addWidget(heading, 0, column);
    }
    for (int i = 0; i < 8; ++i) {
        const QString digit = QString::number(i);
        auto *number = new QLabel(digit, this);
        number->setAlignment(Qt::AlignCenter);
        Length[i] = makeField(5, QStringLiteral("Sets Tone duration in milliseconds"),
                              QStringLiteral("Length ") + digit, this, m_options.fieldMade);
        Space[i] = makeField(5, QStringLiteral("Sets Tones pacing in milliseconds"),
                             QStringLiteral("Space ") + digit, this, m_options.fieldMade);
        MemString[i] = makeField(20, QStringLiteral("Onboard Memory Location ") + digit,
                                 QStringLiteral("String ") + digit, this, m_options.fieldMade);
        Update[i] = new QCheckBox(this);
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

    AllOn = makeButton(QStringLiteral("All On"), QString(), this);
    AllOff = makeButton(QStringLiteral("All Off"), QString(), this);
    Commit = makeButton(QStringLiteral("Save to Zelvo"),
                        QStringLiteral("Sends updated string information to a Zelvo"), this);
    m_buttonRow = new QHBoxLayout;
    for (QPushButton *button : {AllOn, AllOff, Commit})
        m_buttonRow->addWidget(button);

    // Placed by the window, beside the keypad.
    Clear = makeButton(QStringLiteral("Clear"), QStringLiteral("Clears all fileds"), this);
    UpdateButton =
        makeButton(QStringLiteral("Update"), QStringLiteral("Re-reads device settings"), this);
    Reset = makeButton(QStringLiteral("Reset"), QStringLiteral("Restores factory defaults "), this);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addLayout(m_buttonRow);
}

void SettingsPanel::addButton(QPushButton *button)
{
    m_buttonRow->addWidget(button);
}

QList<QWidget *> SettingsPanel::tabOrder() const
{
    QList<QWidget *> order{Length[0], Space[0], MemString[0]};
    for (const auto *column : {&Length, &Space, &MemString}) {
        for (int i = 1; i < 8; ++i)
            order << (*column)[i];
    }
    for (QCheckBox *box : Update)
        order << box;
    for (int i = 0; i < m_buttonRow->count(); ++i)
        order << m_buttonRow->itemAt(i)->widget();
    return order;
}

void SettingsPanel::connectHandlers()
{
    const auto onClick = [this](QPushButton *button, void (SettingsPanel::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { m_options.run([this, handler] { (this->*handler)(); }); });
    };
    onClick(AllOn, &SettingsPanel::AllOn_Click);
    onClick(AllOff, &SettingsPanel::AllOff_Click);
    onClick(Commit, &SettingsPanel::Commit_Click);
    onClick(Clear, &SettingsPanel::Clear_Click);
    onClick(UpdateButton, &SettingsPanel::UpdateButton_Click);
    onClick(Reset, &SettingsPanel::Reset_Click);
}

bool SettingsPanel::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::FocusIn || type == QEvent::FocusOut) {
        const bool gained = type == QEvent::FocusIn;
        for (int i = 0; i < 8; ++i) {
            if (watched == Length[i])
                m_options.run([&] { gained ? Length_GotFocus(i) : Length_LostFocus(i); });
            else if (watched == Space[i])
                m_options.run([&] { gained ? Space_GotFocus(i) : Space_LostFocus(i); });
            else if (watched == MemString[i])
                m_options.run([&] { gained ? MemString_GotFocus(i) : MemString_LostFocus(i); });
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

// ---- The store ----

QLineEdit *SettingsPanel::field(int location, Field field) const
{
    switch (field) {
    case Field::Length:
        return Length.at(location);
    case Field::Space:
        return Space.at(location);
    case Field::Tones:
        break;
    }
    return MemString.at(location);
}

QString SettingsPanel::text(int location, Field field) const
{
    return this->field(location, field)->text();
}

void SettingsPanel::setText(int location, Field field, const QString &text)
{
    this->field(location, field)->setText(text);
}

QString SettingsPanel::configField(int line, int column) const
{
    return text(line, FileColumns[column]);
}

void SettingsPanel::setConfigField(int line, int column, const QString &text)
{
    setText(line, FileColumns[column], text);
}

bool SettingsPanel::isMarked(int location) const
{
    return Update.at(location)->isChecked();
}

void SettingsPanel::setMarked(int location, bool marked)
{
    Update.at(location)->setChecked(marked);
}

void SettingsPanel::firmwareRead(const QString &reply)
{
    Firmware->setText(Firmware->text() + reply);
}

void SettingsPanel::clear()
{
    Firmware->setText(QStringLiteral("Firmware Version:"));
    for (int i = 0; i < 8; ++i) {
        Length[i]->setText(QString());
        Space[i]->setText(QString());
        MemString[i]->setText(QString());
    }
}

// ---- The buttons ----

void SettingsPanel::AllOn_Click()
{
    for (QCheckBox *box : Update)
        box->setChecked(true);
}

void SettingsPanel::AllOff_Click()
{
    for (QCheckBox *box : Update)
        box->setChecked(false);
}

void SettingsPanel::Clear_Click()
{
    m_options.status(QString());
    for (int i = 0; i < 8; ++i) {
        MemString[i]->setText(QString());
        Length[i]->setText(QString());
        Space[i]->setText(QString());
    }
    // The Multi Play window is created hidden if needed.
    m_options.clearElsewhere();
    m_link.Pause(100);
    m_options.status(QStringLiteral("Ready"));
}

void SettingsPanel::UpdateButton_Click()
{
    m_transfer.update(*this, m_options.search);
}

void SettingsPanel::Commit_Click()
{
    const bool yes = m_options.askYesNo(QStringLiteral("Save Changes to Memory?"));
    m_transfer.commit(*this, yes, m_options.search);
}

void SettingsPanel::Reset_Click()
{
    const bool ok = m_options.confirmWarning(
        QStringLiteral("Are you sure? This will erase all current settings and restore defaults!"),
        QStringLiteral("RESET"));
    m_transfer.restoreDefaults(*this, ok, m_options.search);
}

// ---- Focus: keyboard tones stay off while a field has the focus ----

void SettingsPanel::Length_GotFocus(int)
{
    m_options.keyboardTones(false);
}

void SettingsPanel::Space_GotFocus(int)
{
    m_options.keyboardTones(false);
}

void SettingsPanel::MemString_GotFocus(int)
{
    m_options.keyboardTones(false);
}

void SettingsPanel::Length_LostFocus(int)
{
    m_options.keyboardTones(true);
}

void SettingsPanel::Space_LostFocus(int)
{
    m_options.keyboardTones(true);
}

void SettingsPanel::MemString_LostFocus(int)
{
    m_options.keyboardTones(true);
}
