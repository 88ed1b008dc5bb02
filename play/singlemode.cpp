// SPDX-License-Identifier: GPL-3.0-or-later
// The "Timed Play" dialog: its controls and the checks of the tone and the
// duration.

#include "play/singlemode.h"

#include "core/text.h"
#include "link/commands.h"
#include "play/plays.h"
#include "widgets/dropreport.h"
#include "widgets/messagebox.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int MaxToneLength = 1;
constexpr int MaxDurationLength = 5;

QLineEdit *makeField(int maxLength, const QString &name, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setMaxLength(maxLength);
    DropReport::install(field);
    field->setAccessibleName(name);
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 9);
    return field;
}

} // namespace

SingleMode::SingleMode(QWidget *parent, PlayHost::Runner runner)
    : PlayDialog(QStringLiteral("Timed Play"), parent, std::move(runner))
{
    QLabel *prompt = makeLabel(QStringLiteral("Enter Tone and Duration "));
    QLabel *toneLabel = makeLabel(QStringLiteral("Tone"));
    QLabel *durationLabel = makeLabel(QStringLiteral("Duration"));
    Tone = makeField(MaxToneLength, QStringLiteral("Tone"), this);
    Duration = makeField(MaxDurationLength, QStringLiteral("Duration"), this);
    toneLabel->setBuddy(Tone);
    durationLabel->setBuddy(Duration);
    Tone->installEventFilter(this);
    Duration->installEventFilter(this);
    OK = makeButton(QStringLiteral("OK"));
    Cancel = makeButton(QStringLiteral("Cancel"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OK);
    buttons->addWidget(Cancel);
    auto *layout = new QGridLayout(this);
    layout->addWidget(prompt, 0, 0, 1, 2);
    layout->addWidget(toneLabel, 1, 0);
    layout->addWidget(Tone, 1, 1, Qt::AlignLeft);
    layout->addWidget(durationLabel, 2, 0);
    layout->addWidget(Duration, 2, 1, Qt::AlignLeft);
    layout->addLayout(buttons, 3, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(Tone, Duration);
    setTabOrder(Duration, OK);
    setTabOrder(OK, Cancel);
    Tone->setFocus();

    connect(OK, &QPushButton::clicked, this, [this] { handle([this] { OK_Click(); }); });
    connect(Cancel, &QPushButton::clicked, this, [this] { handle([this] { Cancel_Click(); }); });

    Form_Initialize();
    Form_Load();
}

void SingleMode::Form_Initialize()
{
    Tag = QStringLiteral("-1");
}

void SingleMode::Form_Load()
{
    Tag = QStringLiteral("-1");
}

void SingleMode::OK_Click()
{
    CheckEntry(1);
}

void SingleMode::Cancel_Click()
{
    Tag = QStringLiteral("0");
}

void SingleMode::CheckEntry(qint16 code)
{
    const QString refusal = TimedPlay::refusal(Tone->text(), Duration->text());
    if (refusal.isEmpty()) {
        Tag = QString::number(code);
        return;
    }
    // A time too short becomes the shortest one once the user was told.
    const bool tooShort = numericValue(Duration->text()) < zcmd::MinMilliseconds;
    msgbox::notify(this, refusal);
    Tag = QStringLiteral("-1");
    if (tooShort)
        Duration->setText(QString::number(zcmd::MinMilliseconds));
}

void SingleMode::Tone_KeyPress(int &KeyAscii)
{
    if (KeyAscii == '\r' || KeyAscii == '\n')
        CheckEntry(2);
}

void SingleMode::Duration_KeyPress(int &KeyAscii)
{
    if (KeyAscii == '\r' || KeyAscii == '\n')
        CheckEntry(2);
}

bool SingleMode::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched != Tone && watched != Duration) || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const QString text = static_cast<QKeyEvent *>(event)->text();
    if (text.isEmpty())
        return false;
    int keyAscii = text.at(0).unicode();
    if (watched == Tone)
        handle([&] { Tone_KeyPress(keyAscii); });
    else
        handle([&] { Duration_KeyPress(keyAscii); });
    // Every character goes on to the field, the line ends included.
    return false;
}
