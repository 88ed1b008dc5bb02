// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Answers the message boxes a test provokes, as a user would: it watches for
// the active modal box, records what it showed and presses the queued answer.
// A box that arrives with no answer queued is closed with its escape button,
// so a test never hangs on it (and its transcript shows the box).

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QTimer>

#include <functional>

class BoxAnswerer : public QObject
{
    Q_OBJECT

public:
    struct Seen
    {
        QString title;
        QString text;
        QString detailedText;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    };

    BoxAnswerer();

    // Queues the answer for the next box.
    void answer(QMessageBox::StandardButton button) { m_answers.append(button); }
    // Called with every box as it is answered.
    void setOnSeen(std::function<void(const Seen &)> callback) { m_onSeen = std::move(callback); }

    const QList<Seen> &seen() const { return m_seen; }
    QStringList texts() const;

private:
    void poll();

    QTimer m_timer;
    QList<QMessageBox::StandardButton> m_answers;
    QList<Seen> m_seen;
    std::function<void(const Seen &)> m_onSeen;
};
