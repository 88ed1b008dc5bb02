// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/options.h"

#include "core/text.h"

#include <QSet>

namespace {

enum class QtOption { None, Alone, WithValue };

// Whether `argument` is one of Qt's own options, as QGuiApplication,
// QApplication and the X11 platform read them (with one dash or two).
QtOption qtOption(const QString &argument)
{
    static const QStringList withValue =
        QStringLiteral("platform platformpluginpath platformtheme plugin qwindowgeometry "
                       "qwindowicon qwindowtitle session display geometry title icon name style "
                       "stylesheet")
            .split(u' ');
    static const QStringList alone =
        QStringLiteral("reverse widgetcount nograb dograb sync").split(u' ');
    // Those that carry their value behind "=".
    static const QStringList joined =
        QStringLiteral("style stylesheet qmljsdebugger dialogs fontengine").split(u' ');
    if (!argument.startsWith(u'-'))
        return QtOption::None;
    const QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    if (withValue.contains(name))
        return QtOption::WithValue;
    if (alone.contains(name) || (name.contains(u'=') && joined.contains(name.section(u'=', 0, 0))))
        return QtOption::Alone;
    return QtOption::None;
}

} // namespace

Options parseOptions(const QStringList &arguments)
{
    Options options;
    QSet<QString> given; // our options so far, "--simulate=N" as "--simulate"
    bool comGiven[PortMap::LastPort + 1] = {};
    for (int i = 0; i < arguments.size() && options.error.isEmpty(); ++i) {
        const QString &argument = arguments[i];
        // The value after the option: there, not empty and no option itself.
        const auto nextValue = [&](const QString &what, QString *value, bool dashAlone = false) {
            const QString next = i + 1 < arguments.size() ? arguments[i + 1] : QString();
            if (next.isEmpty() || (next.startsWith(u'-') && !(dashAlone && next.size() == 1))) {
                options.error = argument + QStringLiteral(" needs ") + what;
                return false;
            }
            *value = next;
            ++i;
            return true;
        };
        QString value;
        if (const QtOption qt = qtOption(argument); qt != QtOption::None) {
            options.qtArguments << argument;
            if (qt == QtOption::WithValue && nextValue(QStringLiteral("a value"), &value))
                options.qtArguments << value;
            continue;
        }
        const QString name = argument.section(u'=', 0, 0);
        if (name != QLatin1String("--help") && name != QLatin1String("-h") &&
            name != QLatin1String("--version") && given.contains(name)) {
            options.error = name + QStringLiteral(" is given twice");
            break;
        }
        given.insert(name);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.help = true;
        } else if (argument == QLatin1String("--version")) {
            options.version = true;
        } else if (argument == QLatin1String("--simulate")) {
            options.simulatePort = 1;
        } else if (name == QLatin1String("--simulate")) {
            if (!readNumber(argument.mid(11), 1, 4, &options.simulatePort))
                options.error = QStringLiteral("--simulate=N takes a port number from 1 to 4");
        } else if (argument == QLatin1String("--sim-audio")) {
            nextValue(QStringLiteral("a file name or none"), &options.simAudio);
        } else if (argument == QLatin1String("--tick-ms")) {
            if (nextValue(QStringLiteral("a number"), &value) &&
                !readNumber(value, 1, 100, &options.tickMs))
                options.error = QStringLiteral("--tick-ms takes a number from 1 to 100");
        } else if (argument == QLatin1String("--trace")) {
            nextValue(QStringLiteral("a file name, or - for standard error"), &options.traceFile,
                      true);
        } else if (argument.size() == 6 && argument.startsWith(QLatin1String("--com")) &&
                   argument[5] >= u'1' && argument[5] <= u'4') {
            const int port = argument[5].digitValue();
            if (nextValue(QStringLiteral("a device path"), &value)) {
                options.ports.setPath(port, value);
                comGiven[port] = true;
            }
        } else {
            options.error = QStringLiteral("unknown option: ") + argument;
        }
    }
    if (!options.error.isEmpty())
        return options;
    if (!options.simAudio.isEmpty() && options.simulatePort == 0)
        options.error = QStringLiteral("--sim-audio is the simulated device's sound: it needs "
                                       "--simulate");
    else if (options.simulatePort > 0 && comGiven[options.simulatePort])
        options.error = QStringLiteral("--com%1 names the port the simulated device takes "
                                       "(--simulate=%1)")
                            .arg(options.simulatePort);
    return options;
}

QString usageText()
{
    return QStringLiteral(
        "Usage: zelvor [options]\n"
        "Control panel for the Zelvor DTMF tone generator on COM1 to COM4.\n"
        "\n"
        "  --com1 PATH .. --com4 PATH  device path behind that port for this run\n"
        "                              (default: as set in Port Paths, or automatic)\n"
        "  --simulate[=N]              run the simulated device on COMN (default 1)\n"
        "  --sim-audio FILE|none       write the simulated device's sound to a WAV file,\n"
        "                              or play none (default: the sound card)\n"
        "  --tick-ms N                 length of one tick in milliseconds, 1 to 100 "
        "(default 10)\n"
        "  --trace FILE                record every exchange with the device in FILE\n"
        "                              (- for standard error)\n"
        "  -h, --help                  show this text\n"
        "  --version                   show the version\n"
        "\n"
        "Qt's standard options go to Qt, for example -platform NAME, -style NAME,\n"
        "-display DISPLAY, -reverse and -session ID.\n");
}
