// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cliargs.h"

#include "core/text.h"
#include "link/commands.h"
#include "link/portmap.h"
#include "play/plays.h"

#include <algorithm>

namespace {

// The keypad's sixteen symbols.
bool isKeypadSymbol(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'D') || c == u'*' || c == u'#';
}

struct CommandName
{
    const char *name;
    CliCommand command;
    int operands; // the positional arguments it takes
};

constexpr CommandName Commands[] = {
    {"find", CliCommand::Find, 0}, {"read", CliCommand::Read, 0},   {"write", CliCommand::Write, 1},
    {"play", CliCommand::Play, 1}, {"tone", CliCommand::Tone, 2},   {"list", CliCommand::List, 1},
    {"dial", CliCommand::Dial, 1}, {"reset", CliCommand::Reset, 0},
};

// "0,3,5" or "035": distinct locations 0 to 7, in the order given.
bool readLocationList(const QString &text, std::vector<int> *locations)
{
    for (const QChar c : text) {
        if (c == u',')
            continue;
        if (c < u'0' || c > u'7')
            return false;
        const int location = c.digitValue();
        if (std::find(locations->begin(), locations->end(), location) == locations->end())
            locations->push_back(location);
    }
    return !locations->empty();
}

// The operands of the command, checked as the panel's dialogs check them.
QString checkOperands(CliRequest &request, const QStringList &operands)
{
    switch (request.command) {
    case CliCommand::Write:
    case CliCommand::List:
        request.file = operands[0];
        return request.file.isEmpty() ? QStringLiteral("the file name is empty") : QString();
    case CliCommand::Play:
        // Digits 0 to 7 in playing order, at most eight, as the Memory Play field takes them.
        request.symbols = operands[0];
        request.symbols.remove(u',');
        if (request.symbols.isEmpty() || request.symbols.size() > zcmd::LocationCount ||
            !std::all_of(request.symbols.cbegin(), request.symbols.cend(),
                         [](QChar c) { return c >= u'0' && c <= u'7'; }))
            return QStringLiteral("play takes one to eight locations 0 to 7, such as 70 or 1,1");
        return {};
    case CliCommand::Tone: {
        request.symbols = operands[0];
        request.milliseconds = operands[1];
        // The Timed Play dialog's checks.
        return TimedPlay::refusal(request.symbols, request.milliseconds);
    }
    case CliCommand::Dial:
        // The keypad's symbols; its keys are upper case.
        request.symbols = operands[0].toUpper();
        if (request.symbols.isEmpty() ||
            !std::all_of(request.symbols.cbegin(), request.symbols.cend(), isKeypadSymbol))
            return QStringLiteral("dial takes tone symbols 0-9, A-D, * and #");
        return {};
    default:
        return {};
    }
}

} // namespace

CliRequest parseCliArguments(const QStringList &arguments)
{
    CliRequest request;
    QStringList operands;
    int wanted = 0;
    for (int i = 0; i < arguments.size() && request.error.isEmpty(); ++i) {
        const QString &argument = arguments[i];
        const auto nextValue = [&](QString *value) {
            if (i + 1 >= arguments.size()) {
                request.error = argument + QStringLiteral(" needs a value");
                return false;
            }
            *value = arguments[++i];
            return true;
        };
        QString value;
        const bool command = request.command != CliCommand::None;
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            request.help = true;
        } else if (argument == QLatin1String("--version")) {
            request.version = true;
        } else if (argument == QLatin1String("--simulate")) {
            request.simulate = true;
        } else if (argument == QLatin1String("--port")) {
            if (nextValue(&request.portPath) && request.portPath.isEmpty())
                request.error = QStringLiteral("--port needs a device path");
        } else if (argument == QLatin1String("--com")) {
            if (nextValue(&value) &&
                !readNumber(value, PortMap::FirstPort, PortMap::LastPort, &request.com))
                request.error = QStringLiteral("--com takes a port number from 1 to 4");
        } else if (argument == QLatin1String("--tick-ms")) {
            if (nextValue(&value) && !readNumber(value, 1, 100, &request.tickMs))
                request.error = QStringLiteral("--tick-ms takes a number from 1 to 100");
        } else if (argument == QLatin1String("--trace")) {
            if (nextValue(&request.traceFile) && request.traceFile.isEmpty())
                request.error =
                    QStringLiteral("--trace needs a file name, or - for standard error");
        } else if (request.command == CliCommand::Read && argument == QLatin1String("--csv")) {
            if (nextValue(&request.csvTarget) && request.csvTarget.isEmpty())
                request.error = QStringLiteral("--csv needs a file name, or - for standard output");
        } else if (request.command == CliCommand::Read && argument == QLatin1String("--json")) {
            request.json = true;
        } else if (request.command == CliCommand::Write &&
                   argument == QLatin1String("--locations")) {
            if (nextValue(&value) && !readLocationList(value, &request.locations))
                request.error = QStringLiteral("--locations takes locations 0 to 7, such as 0,3,5");
        } else if (argument.startsWith(u'-') && argument.size() > 1) {
            request.error = QStringLiteral("unknown option: ") + argument;
        } else if (!command) {
            const auto found =
                std::find_if(std::begin(Commands), std::end(Commands), [&](const CommandName &c) {
                    return argument == QLatin1String(c.name);
                });
            if (found == std::end(Commands)) {
                request.error = QStringLiteral("unknown command: ") + argument;
            } else {
                request.command = found->command;
                wanted = found->operands;
            }
        } else if (operands.size() < wanted) {
            operands << argument;
        } else {
            request.error = QStringLiteral("too many arguments: ") + argument;
        }
    }
    if (!request.error.isEmpty() || request.help || request.version)
        return request;
    if (request.command == CliCommand::None)
        request.error = QStringLiteral("no command given");
    else if (operands.size() < wanted)
        request.error = QStringLiteral("missing arguments; see --help");
    else if (!request.portPath.isEmpty() && request.com > 0)
        request.error = QStringLiteral("--port and --com cannot be used together");
    else if (!request.csvTarget.isEmpty() && request.json)
        request.error = QStringLiteral("--csv and --json cannot be used together");
    else
        request.error = checkOperands(request, operands);
    return request;
}

QString cliUsageText()
{
    return QStringLiteral(
        "Usage: zelvor-cli [options] COMMAND [arguments]\n"
        "Drives the Zelvor DTMF tone generator without a window.\n"
        "\n"
        "Commands:\n"
        "  find                      search COM1 to COM4; print slot, path and firmware\n"
        "  read [--csv FILE|-] [--json]\n"
        "                            print the firmware version and the eight locations\n"
        "  write FILE [--locations 0,3,...]\n"
        "                            save locations from a configuration file, then\n"
        "                            read them back and compare\n"
        "  play LOCATIONS            play stored locations in turn, such as 70\n"
        "  tone SYMBOL MS            play one tone for MS milliseconds\n"
        "  list FILE                 play the tone list of a configuration file\n"
        "  dial SYMBOLS              play short keypad tones in turn\n"
        "  reset                     restore the factory defaults\n"
        "\n"
        "Options:\n"
        "  --port PATH               use the device at PATH alone\n"
        "  --com N                   use the path of COMN (1 to 4)\n"
        "  --simulate                use the built-in simulated device\n"
        "  --tick-ms N               length of one tick in milliseconds, 1 to 100 "
        "(default 10)\n"
        "  --trace FILE              write every byte on the line to FILE (- for standard "
        "error)\n"
        "  --help, --version\n"
        "\n"
        "Exit codes: 0 done, 1 device or port failed, 2 usage, 3 no device found,\n"
        "4 file unreadable or broken (nothing sent), 130 interrupted.\n");
}
