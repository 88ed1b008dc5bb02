// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration file reader under any bytes: it fails only with a file
// error, and whatever it reads is written and read back unchanged, the
// written file read to its very end.

#include "core/errors.h"
#include "files/configformat.h"
#include "fuzzcheck.h"

#include <QBuffer>

namespace {

QStringList read(QByteArray bytes, bool *atEnd = nullptr)
{
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    const QStringList fields = configfile::decode(in);
    if (atEnd)
        *atEnd = in.atEnd();
    return fields;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QStringList fields;
    try {
        fields = read(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    } catch (const FileError &) {
        return 0;
    }
    FUZZ_CHECK(fields.size() == configfile::FieldCount);
    // An unquoted field may hold a double quote, which no file can write.
    if (configfile::firstUnwritableField(fields))
        return 0;
    bool atEnd = false;
    FUZZ_CHECK(read(configfile::encode(fields), &atEnd) == fields);
    FUZZ_CHECK(atEnd);
    return 0;
}
