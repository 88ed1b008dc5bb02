// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/wait.h"

#include <QCoreApplication>
#include <QEventLoop>

void dispatchUntil(const std::function<bool()> &done)
{
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    } while (!done());
}
