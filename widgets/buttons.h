// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QPushButton;
class QString;
class QWidget;

// A push button as the panel's windows make them: its caption is also its
// accessible name, so a screen reader reads what the eye sees.
QPushButton *makeButton(const QString &caption, const QString &toolTip, QWidget *parent);
