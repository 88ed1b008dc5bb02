// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Message boxes as the panel shows them: one text, blocking until answered,
// titled "Zelvor" unless a caller names another title; questions and notices
// carry no icon unless asked for.

#include <QMessageBox>
#include <QString>

class QWidget;

namespace msgbox {

inline const QString ApplicationTitle = QStringLiteral("Zelvor");

struct Box
{
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title = ApplicationTitle;
    QString detailedText;
};

// Shows the box and returns the button that answered it; closing the box
// answers Cancel where there is one, otherwise No, otherwise OK.
QMessageBox::StandardButton show(QWidget *parent, const Box &box);

// A Yes/No question; true for Yes.
bool askYesNo(QWidget *parent, const QString &text, const QString &detailedText = {});

// A notice with an OK button.
void notify(QWidget *parent, const QString &text, const QString &title = ApplicationTitle);

} // namespace msgbox
