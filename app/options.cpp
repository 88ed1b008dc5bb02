#include "app/options.h"

namespace {

bool readNumber(const QString &text, int low, int high, int *number)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        return false;
    *number = value;
    return true;
}

} // namespace

Options parseOptions(const QStringList &arguments)
{
    Options options;
    for (int i = 0; i < arguments.size() && options.error.isEmpty(); ++i) {
        const QString &argument = arguments[i];
        const auto nextValue = [&](QString *value) {
            if (i + 1 >= arguments.size()) {
                options.error = argument + QStringLiteral(" needs a value");
                return false;
            }
            *value = arguments[++i];
            return true;
        };
        QString value;
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.help = true;
        } else if (argument == QLatin1String("--version")) {
            options.version = true;
        } else if (argument == QLatin1String("--simulate")) {
            options.simulatePort = 1;
        } else if (argument.startsWith(QLatin1String("--simulate="))) {
            if (!readNumber(argument.mid(11), 1, 4, &options.simulatePort))
                options.error = QStringLiteral("--simulate=N takes a port number from 1 to 4");
        } else if (argument == QLatin1String("--sim-audio")) {
            if (nextValue(&value) && value.isEmpty())
                options.error = QStringLiteral("--sim-audio takes a file name or none");
            options.simAudio = value;
        } else if (argument == QLatin1String("--tick-ms")) {
            if (nextValue(&value) && !readNumber(value, 1, 100, &options.tickMs))
                options.error = QStringLiteral("--tick-ms takes a number from 1 to 100");
        } else if (argument == QLatin1String("--trace")) {
            if (nextValue(&value)) {
                if (value.isEmpty())
                    options.error = QStringLiteral("--trace needs a file name, or - for "
                                                   "standard error");
                options.traceFile = value;
            }
        } else if (argument.size() == 6 && argument.startsWith(QLatin1String("--com")) &&
                   argument[5] >= u'1' && argument[5] <= u'4') {
            if (nextValue(&value)) {
                if (value.isEmpty())
                    options.error = argument + QStringLiteral(" needs a device path");
                else
                    options.ports.setPath(argument[5].digitValue(), value);
            }
        } else {
            options.error = QStringLiteral("unknown option: ") + argument;
        }
    }
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
        "  --help                      show this text\n"
        "  --version                   show the version\n");
}
