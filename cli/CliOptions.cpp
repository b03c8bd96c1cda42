#include "cli/CliOptions.h"

#include <QCommandLineParser>

namespace veltmoor::cli {

ParseResult ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    // The options are long ones ("-h" aside): a single dash starts short options,
    // so "-fix" is an error rather than a quiet synonym.
    const QCommandLineOption folder(QStringLiteral("folder"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption fix(QStringLiteral("fix"));
    const QCommandLineOption colour(QStringLiteral("color"), QString(), QStringLiteral("WHEN"));
    const QCommandLineOption quiet(QStringLiteral("quiet"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({folder, fix, colour, quiet, help, version});

    ParseResult result;
    if (!parser.parse(arguments)) {
        // Qt words several unknown options on one line too; keep it to one line.
        result.error = parser.errorText().simplified().toStdString();
        return result;
    }
    CliOptions& options = result.options;
    options.help = parser.isSet(help);
    options.version = parser.isSet(version);
    if (options.help || options.version) return result;

    options.folder = parser.isSet(folder) ? parser.values(folder).constLast() : QString();
    if (parser.isSet(folder) && options.folder.isEmpty()) {
        result.error = "Empty folder after '--folder'.";
        return result;
    }
    options.fix = parser.isSet(fix);
    options.quiet = parser.isSet(quiet);
    if (parser.isSet(colour)) {
        const QString when = parser.values(colour).constLast();
        if (when == QLatin1String("auto")) options.colour = ColourMode::Auto;
        else if (when == QLatin1String("always")) options.colour = ColourMode::Always;
        else if (when == QLatin1String("never")) options.colour = ColourMode::Never;
        else {
            result.error = "Invalid value '" + when.toStdString() + "' for '--color' (auto, always or never).";
            return result;
        }
    }
    for (const QString& name : parser.positionalArguments()) {
        if (name == QLatin1String("tables")) options.commands.push_back(Command::Tables);
        else if (name == QLatin1String("accounts")) options.commands.push_back(Command::Accounts);
        else {
            result.error = "Unknown command '" + name.toStdString() + "' (tables or accounts).";
            return result;
        }
    }
    if (options.commands.empty()) result.error = "No command given (tables or accounts).";
    return result;
}

std::string UsageText() {
    return "Usage: veltmoor-cli [--folder DIR] [--fix] [--color=auto|always|never] [--quiet] COMMAND...\n"
           "Checks the FTP server's account database as the Veltmoor dialog does and prints the log.\n"
           "\n"
           "Commands, run in the order given:\n"
           "  tables            compare the tables with tables.xml (\"Check Tables\")\n"
           "  accounts          check every account's links (\"Check Accounts\")\n"
           "\n"
           "Options:\n"
           "  --folder DIR      look for config.xml, tarnwick.mdb and tables.xml in DIR\n"
           "                    instead of the program's folder\n"
           "  --fix             repair what can be repaired (\"Fix Errors\" ticked)\n"
           "  --color=WHEN      colour the log: auto (only on a terminal), always, never\n"
           "  --quiet           print no status line, and print a run's log only when\n"
           "                    it found something or recorded an error\n"
           "  -h, --help        show this help and exit\n"
           "  --version         show the version and exit\n"
           "\n"
           "The log of each run goes to standard output with CR LF line ends; the status\n"
           "line and errors written while connecting go to standard error.\n"
           "\n"
           "Exit status, the sum of:\n"
           "  0   nothing found\n"
           "  1   findings were all fixed\n"
           "  4   findings left unfixed\n"
           "  8   an error was recorded (an \"Exception Recorded\" block)\n"
           "  16  usage error\n";
}

}  // namespace veltmoor::cli
