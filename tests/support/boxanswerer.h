#pragma once

// Answers the message boxes a test provokes, as a user would: it watches for
// the active modal box, records what it showed and presses the queued answer.
// A box that arrives with no answer queued is recorded as unexpected and
// closed with its escape button, so a test never hangs on it.

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QTimer>

class BoxAnswerer : public QObject
{
    Q_OBJECT

public:
    struct Seen
    {
        QString title;
        QString text;
        QString detailedText;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        QMessageBox::StandardButton answer = QMessageBox::NoButton;
        bool expected = true;
    };

    BoxAnswerer();

    // Queues the answer for the next box.
    void answer(QMessageBox::StandardButton button) { m_answers.append(button); }
    // A callback run when the next box shows, before it is answered (for
    // assertions about the moment the question is asked).
    void onNextBox(std::function<void()> callback) { m_onNext = std::move(callback); }

    // Called with every box as it is answered.
    void setOnSeen(std::function<void(const Seen &)> callback) { m_onSeen = std::move(callback); }

    const QList<Seen> &seen() const { return m_seen; }
    int pending() const { return int(m_answers.size()); }
    QStringList texts() const;
    bool allExpected() const;

private:
    void poll();

    QTimer m_timer;
    QList<QMessageBox::StandardButton> m_answers;
    QList<Seen> m_seen;
    std::function<void()> m_onNext;
    std::function<void(const Seen &)> m_onSeen;
};
