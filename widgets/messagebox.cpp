// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/messagebox.h"

namespace msgbox {

QMessageBox::StandardButton show(QWidget *parent, const Box &box)
{
    QMessageBox message(box.icon, box.title, box.text, box.buttons, parent);
    if (box.defaultButton != QMessageBox::NoButton)
        message.setDefaultButton(box.defaultButton);
    if (!box.detailedText.isEmpty())
        message.setDetailedText(box.detailedText);
    if (box.buttons.testFlag(QMessageBox::Cancel))
        message.setEscapeButton(QMessageBox::Cancel);
    else if (box.buttons.testFlag(QMessageBox::No))
        message.setEscapeButton(QMessageBox::No);
    const int answer = message.exec();
    // exec() reports closing the box through its frame as the escape button.
    return static_cast<QMessageBox::StandardButton>(answer);
}

bool askYesNo(QWidget *parent, const QString &text, const QString &detailedText)
{
    Box box;
    box.text = text;
    box.buttons = QMessageBox::Yes | QMessageBox::No;
    box.detailedText = detailedText;
    return show(parent, box) == QMessageBox::Yes;
}

void notify(QWidget *parent, const QString &text, const QString &title)
{
    Box box;
    box.text = text;
    box.title = title;
    show(parent, box);
}

} // namespace msgbox
