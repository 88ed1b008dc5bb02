// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The status box: a read-only multi-line text box that keeps its text exactly
// as the operations set it ("\r\n" between lines) and shows it line by line.

#include <QPlainTextEdit>

class StatusTextBox : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit StatusTextBox(QWidget *parent = nullptr);

    // Replaces the whole text.
    void setText(const QString &text);
    QString text() const { return m_text; }

signals:
    void textSet(const QString &text);

private:
    QString m_text;
};
