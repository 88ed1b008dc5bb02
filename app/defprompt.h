// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The "Status" prompt window: one centred label in large type, shown without
// blocking while a long operation (device search, save, tone list) runs and
// writes its current step into it.

#include <QWidget>

class QLabel;

class DefPrompt : public QWidget
{
    Q_OBJECT

public:
    explicit DefPrompt(QWidget *parent = nullptr);

    // The caption of the label `lable`.
    void setText(const QString &text);
    QString text() const;

signals:
    void textSet(const QString &text);

private:
    QLabel *lable = nullptr;
};
