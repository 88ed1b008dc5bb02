// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/defprompt.h"

#include <QLabel>
#include <QVBoxLayout>

DefPrompt::DefPrompt(QWidget *parent) : QWidget(parent, Qt::Dialog)
{
    setWindowTitle(QStringLiteral("Status"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    lable = new QLabel(this);
    lable->setAlignment(Qt::AlignCenter);
    // No fixed accessible name: a screen reader reads the step shown.
    QFont large = lable->font();
    large.setPointSizeF(large.pointSizeF() * 1.8);
    large.setBold(true);
    lable->setFont(large);
    lable->setMinimumWidth(lable->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 18);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->addWidget(lable);
}

void DefPrompt::setText(const QString &text)
{
    lable->setText(text);
    emit textSet(text);
}

QString DefPrompt::text() const
{
    return lable->text();
}
