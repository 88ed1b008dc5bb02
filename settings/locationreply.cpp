// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/locationreply.h"

#include "core/errors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// The 1-based position of the first occurrence of label in reply, 0 when
// the reply does not hold it.
qint64 positionOf(const QString &reply, QLatin1StringView label)
{
    return qint64(reply.indexOf(label)) + 1;
}

const QLatin1StringView LengthLabel("Length = ");
const QLatin1StringView SpaceLabel("Space = ");
const QLatin1StringView StringLabel("String = ");

// The last location holds no "View ended" trailer after its tones.
constexpr int LastLocation = 7;

} // namespace

QString midText(const QString &text, qint64 start, qint64 count)
{
    if (start < 1 || count < 0)
        throw ReplyError(EINVAL, QString::fromLocal8Bit(std::strerror(EINVAL)));
    const qint64 size = text.size();
    if (start > size)
        return QString();
    const qint64 available = size - start + 1;
    return text.mid(qsizetype(start - 1), qsizetype(std::min(count, available)));
}

QString cutLength(const QString &reply)
{
    const qint64 pL = positionOf(reply, LengthLabel);
    const qint64 pS = positionOf(reply, SpaceLabel);
    return midText(reply, pL + 9, (pS - 5) - (pL + 9));
}

QString cutSpace(const QString &reply)
{
    const qint64 pS = positionOf(reply, SpaceLabel);
    const qint64 pT = positionOf(reply, StringLabel);
    return midText(reply, pS + 8, (pT - 4) - (pS + 8));
}

QString cutTones(const QString &reply, int location)
{
    const qint64 pT = positionOf(reply, StringLabel);
    const qint64 length = reply.size();
    const qint64 count = location == LastLocation ? length - pT - 8 : length - pT - 22;
    return midText(reply, pT + 9, count);
}
