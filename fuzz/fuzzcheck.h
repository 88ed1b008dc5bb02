// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A broken invariant aborts with what was compared, so libFuzzer keeps the
// input as a crash artifact.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "\n==== invariant broken at %s:%d: %s\n", __FILE__, __LINE__,     \
                         #condition);                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
