// SPDX-License-Identifier: GPL-3.0-or-later
// Finds and loads the sound card module, and opens the output through it.

#include "sim/soundcard.h"

#include "sim/soundmodule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QStringList>

#include <cstring>

namespace zsim {

namespace {

const QLatin1String ModuleName(ZELVOR_SOUND_MODULE);

// Where the module may be, most likely first: the install's module folder,
// relative to the program so that an installation may move, then beside the
// program.
QStringList moduleCandidates()
{
    const QString programDir = QCoreApplication::applicationDirPath();
    return {
        QDir::cleanPath(programDir + QLatin1String("/" ZELVOR_SOUND_MODULE_DIR "/") + ModuleName),
        programDir + QLatin1Char('/') + ModuleName};
}

std::shared_ptr<SampleOutput> silent(const QString &reason, std::string *notice)
{
    if (notice)
        *notice = reason.toStdString();
    return nullptr;
}

} // namespace

std::shared_ptr<SampleOutput> openSoundCard(std::string *notice)
{
    QString path;
    for (const QString &candidate : moduleCandidates()) {
        if (QFileInfo(candidate).isFile()) {
            path = candidate;
            break;
        }
    }
    if (path.isEmpty())
        return silent(QStringLiteral("the sound card output (%1) is not installed").arg(ModuleName),
                      notice);
    // The library stays loaded when this object goes: the output's code is in it.
    QLibrary module(path);
    if (!module.load())
        return silent(
            QStringLiteral("the sound card output does not load (%1)").arg(module.errorString()),
            notice);
    const auto version = reinterpret_cast<decltype(&zelvorSoundModuleVersion)>(
        module.resolve("zelvorSoundModuleVersion"));
    const auto open =
        reinterpret_cast<decltype(&zelvorOpenSoundCard)>(module.resolve("zelvorOpenSoundCard"));
    if (!version || !open || std::strcmp(version(), ZELVOR_SOUND_MODULE_VERSION) != 0)
        return silent(QStringLiteral("%1 is not the sound card output of version %2")
                          .arg(path, QLatin1String(ZELVOR_SOUND_MODULE_VERSION)),
                      notice);
    return std::shared_ptr<SampleOutput>(open(notice));
}

} // namespace zsim
