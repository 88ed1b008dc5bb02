// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/escape.h"

QString escapeLineBytes(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (byte) {
        case '\r':
            text += QLatin1String("\\r");
            break;
        case '\n':
            text += QLatin1String("\\n");
            break;
        case '\t':
            text += QLatin1String("\\t");
            break;
        case '\\':
            text += QLatin1String("\\\\");
            break;
        default:
            if (byte < 0x20 || (byte >= 0x7f && byte <= 0x9f))
                text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
            else
                text += QChar(byte);
        }
    }
    return text;
}
