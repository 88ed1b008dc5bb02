// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where a link's ticks come from. Every wait of the panel is a count of
// ticks, so whoever owns the tick source owns the panel's clock: the program
// gives each window a timer of its own, the tests turn one source by hand.

#include <QObject>
#include <QTimer>

class TickSource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // A source delivers ticks only between start() and stop().
    virtual void start() = 0;
    virtual void stop() = 0;

signals:
    void ticked();
};

// A periodic timer: one tick per period, as fast as the platform delivers
// its timer events.
class TimerTicks : public TickSource
{
    Q_OBJECT

public:
    explicit TimerTicks(int periodMs, QObject *parent = nullptr);

    void start() override { m_timer.start(); }
    void stop() override { m_timer.stop(); }

private:
    QTimer m_timer;
};
