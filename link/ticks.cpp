// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/ticks.h"

TimerTicks::TimerTicks(int periodMs, QObject *parent) : TickSource(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(periodMs);
    connect(&m_timer, &QTimer::timeout, this, &TickSource::ticked);
}
