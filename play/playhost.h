// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the play parts of the panel (the keypad, the play buttons, their
// dialogs and the Multi Play window) take from the window that hosts them.

#include "link/devicelink.h"
#include "play/plays.h"
#include "play/tonelist.h"

#include <functional>

class QObject;
class TickSource;

struct PlayHost
{
    // Runs one handler as the event loop delivers it: nothing runs once the
    // application has ended, and a failure no handler dealt with is shown.
    using Runner = std::function<void(const std::function<void()> &handler)>;

    // The main window's link; the Multi Play window talks through its port
    // over a link of its own.
    DeviceLink *link = nullptr;
    // The status box.
    StatusSink status;
    Runner handle;
    // Waits, dispatching events, until `done()` holds (dialog results);
    // throws ApplicationEnded when the application ends inside.
    DeviceLink::Waiter wait;
    // The Multi Play window's own tick source, owned by `owner`.
    std::function<TickSource *(QObject *owner)> ticksFor;
    // The prompt window, where a tone list send shows "Sending Data".
    ToneListSend::Progress prompt;
};
