// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one way the panel waits: dispatch window events (input, paints, timer
// ticks, the port) until a condition holds. Between events the thread sleeps,
// so no wait uses the processor; any handler may run to completion inside it.

#include <functional>

// Dispatches pending events at least once, then keeps dispatching, sleeping
// until the next event each time, until `done()` returns true.
void dispatchUntil(const std::function<bool()> &done);
