// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/statusbox.h"

StatusTextBox::StatusTextBox(QWidget *parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setTabChangesFocus(true);
}

void StatusTextBox::setText(const QString &text)
{
    m_text = text;
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    setPlainText(shown);
    emit textSet(text);
}
