// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/buttons.h"

#include <QPushButton>

QPushButton *makeButton(const QString &caption, const QString &toolTip, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setToolTip(toolTip);
    button->setAccessibleName(caption);
    return button;
}
