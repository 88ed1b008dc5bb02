// SPDX-License-Identifier: GPL-3.0-or-later
// The cut of the device's location reply under any text: it never reads
// outside the reply, fails only with EINVAL, and every value it gives is a
// part of the reply.

#include "core/errors.h"
#include "fuzzcheck.h"
#include "settings/locationreply.h"

#include <cerrno>
#include <functional>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString reply =
        QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::function<QString()> cuts[] = {
        [&] { return cutLength(reply); }, [&] { return cutSpace(reply); },
        [&] { return cutTones(reply, 0); }, [&] { return cutTones(reply, 7); }};
    for (const auto &cut : cuts) {
        try {
            FUZZ_CHECK(reply.contains(cut()));
        } catch (const ReplyError &error) {
            FUZZ_CHECK(error.number() == EINVAL);
        }
    }
    return 0;
}
