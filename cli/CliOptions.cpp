#include "cli/CliOptions.h"

#include <QCommandLineParser>
#include <filesystem>

#include "base/RegularFile.h"
#include "log/Utf8.h"

namespace veltmoor::cli {

namespace {

// The last value of an option that takes one ("" when it is not given).
QString Last(const QCommandLineParser& parser, const QCommandLineOption& option) {
    return parser.isSet(option) ? parser.values(option).constLast() : QString();
}

}  // namespace

ParseResult ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    // The options are long ones ("-h" aside): a single dash starts short options,
    // so "-fix" is an error rather than a quiet synonym.
    const QCommandLineOption folder(QStringLiteral("folder"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption database(QStringLiteral("database"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption connection(QStringLiteral("connection"), QString(), QStringLiteral("STRING"));
    const QCommandLineOption tables(QStringLiteral("tables"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption fix(QStringLiteral("fix"));
    const QCommandLineOption noBackup(QStringLiteral("no-backup"));
    const QCommandLineOption format(QStringLiteral("format"), QString(), QStringLiteral("FORMAT"));
    const QCommandLineOption colour(QStringLiteral("color"), QString(), QStringLiteral("WHEN"));
    const QCommandLineOption quiet(QStringLiteral("quiet"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({folder, database, connection, tables, fix, noBackup, format, colour, quiet, help, version});

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

    for (const auto& [option, value] : {std::pair{&folder, &options.folder}, {&database, &options.database},
                                        {&connection, &options.connection}, {&tables, &options.tables}}) {
        *value = Last(parser, *option);
        if (parser.isSet(*option) && value->isEmpty()) {
            result.error = "Empty value for '--" + option->names().constFirst().toStdString() + "'.";
            return result;
        }
    }
    if (parser.isSet(folder) + parser.isSet(database) + parser.isSet(connection) > 1) {
        result.error = "Give one of '--folder', '--database' and '--connection'.";
        return result;
    }
    options.fix = parser.isSet(fix);
    options.backup = !parser.isSet(noBackup);
    options.quiet = parser.isSet(quiet);
    if (parser.isSet(format)) {
        const QString name = Last(parser, format);
        if (name == QLatin1String("log")) options.format = OutputFormat::Log;
        else if (name == QLatin1String("json")) options.format = OutputFormat::Json;
        else {
            result.error = "Invalid value '" + name.toStdString() + "' for '--format' (log or json).";
            return result;
        }
    }
    if (parser.isSet(colour)) {
        const QString when = Last(parser, colour);
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

QString DecodeArgument(std::string_view bytes) {
    QString text;
    const auto size = static_cast<std::int32_t>(bytes.size());
    for (std::int32_t pos = 0; pos < size;) {
        const int length = utf8::CharLength(bytes, pos);
        const auto byte = static_cast<unsigned char>(bytes[static_cast<size_t>(pos)]);
        if (length == 1 && byte >= 0x80) text += QChar(static_cast<char16_t>(0xDC00 + byte));
        else text += QString::fromUtf8(bytes.data() + pos, length);
        pos += length;
    }
    return text;
}

std::string PathBytes(const QString& text) {
    std::string bytes;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        const bool kept = unit >= 0xDC80 && unit <= 0xDCFF && (i == 0 || !text[i - 1].isHighSurrogate());
        if (!kept) continue;
        bytes += text.mid(start, i - start).toStdString();
        bytes += static_cast<char>(unit - 0xDC00);
        start = i + 1;
    }
    return bytes + text.mid(start).toStdString();
}

std::string MissingPath(const CliOptions& options) {
    const struct {
        const QString& path;
        const char* option;
        bool folder;
    } paths[] = {{options.folder, "--folder", true}, {options.database, "--database", false},
                 {options.tables, "--tables", false}};
    for (const auto& p : paths) {
        if (p.path.isEmpty()) continue;
        const std::string path = PathBytes(p.path);
        std::error_code ignored;
        const auto status = std::filesystem::status(path, ignored);
        if (!std::filesystem::exists(status)) return path + ": no such file or folder (" + p.option + ").";
        if (std::filesystem::is_directory(status) != p.folder)
            return path + (p.folder ? ": not a folder (" : ": is a folder (") + p.option + ").";
        if (!p.folder && !std::filesystem::is_regular_file(status))
            return path + ": " + NotRegularFile(path) + " (" + p.option + ").";
    }
    return {};
}

std::string UsageText() {
    return "Usage: veltmoor-cli [--folder DIR | --database FILE | --connection STRING]\n"
           "                    [--tables FILE] [--fix] [--no-backup] [--format=log|json]\n"
           "                    [--color=auto|always|never] [--quiet] COMMAND...\n"
           "Checks the FTP server's account database as the Veltmoor dialog does and\n"
           "prints the log.\n"
           "\n"
           "Commands, run in the order given:\n"
           "  tables               compare the tables with tables.xml (\"Check Tables\")\n"
           "  accounts             check every account's links (\"Check Accounts\")\n"
           "\n"
           "Options:\n"
           "  --folder DIR         look for config.xml, tarnwick.mdb and tables.xml in DIR\n"
           "                       instead of the program folder\n"
           "  --database FILE      check this SQLite database file (never created)\n"
           "  --connection STRING  open this connection string (as in config.xml)\n"
           "  --tables FILE        read the schema description from FILE\n"
           "  --fix                repair what can be repaired (\"Fix Errors\" ticked)\n"
           "  --no-backup          write no backup copy of the database before repairing\n"
           "  --format=FORMAT      log (the log as text) or json (JSON Lines: findings,\n"
           "                       error blocks, a summary)\n"
           "  --color=WHEN         colour the log: auto (only on a terminal), always, never\n"
           "  --quiet              print no status line, progress or summary; print a run's\n"
           "                       log only when it found something or recorded an error\n"
           "  -h, --help           show this help and exit\n"
           "  --version            show the version and exit\n"
           "\n"
           "The program folder is the program's own folder when it holds config.xml,\n"
           "tables.xml or tarnwick.mdb, else the installation's configuration folder.\n"
           "The log of each run goes to standard output with CR LF line ends; the status\n"
           "line, errors written while connecting, progress and a closing summary line go\n"
           "to standard error.\n"
           "\n"
           "Exit status, these bits OR'd (a run that fixed some findings and left others\n"
           "exits 5):\n"
           "  0   nothing found\n"
           "  1   findings were fixed\n"
           "  4   findings were left unfixed\n"
           "  8   an error was recorded (an \"Exception Recorded\" block, or no usable\n"
           "      tables.xml), or the output could not be written\n"
           "  16  usage error\n"
           "  32  interrupted (SIGINT, SIGTERM): stopped between two repairs\n";
}

}  // namespace veltmoor::cli
