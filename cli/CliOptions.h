// veltmoor-cli's command line:
//   veltmoor-cli [--folder DIR | --database FILE | --connection STRING] [--tables FILE] [--fix]
//                [--no-backup] [--format=log|json] [--color=auto|always|never] [--quiet] COMMAND...
// ParseCommandLine never exits or prints; a usage error comes back as one line of text.
#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>
#include <vector>

namespace veltmoor::cli {

enum class Command { Tables, Accounts };
enum class ColourMode { Auto, Always, Never };
enum class OutputFormat { Log, Json };

struct CliOptions {
    QString folder;      // empty: the program folder
    QString database;    // an embedded database file instead of config.xml's
    QString connection;  // a connection string instead of config.xml's
    QString tables;      // the schema description instead of the program folder's
    bool fix = false;
    bool backup = true;  // --no-backup: no copy of the database before the first repair
    OutputFormat format = OutputFormat::Log;
    ColourMode colour = ColourMode::Auto;
    bool quiet = false;
    bool help = false;
    bool version = false;
    std::vector<Command> commands;  // in the order given
};

struct ParseResult {
    CliOptions options;
    std::string error;  // non-empty: a usage error, one line without its line end
};

// arguments[0] is the program name, as in argv.
ParseResult ParseCommandLine(const QStringList& arguments);

// File names are bytes: an argument as text for the parser, each byte that is not
// part of well-formed UTF-8 kept as a lone surrogate U+DC80..U+DCFF; PathBytes
// gives the argument's bytes back unchanged.
QString DecodeArgument(std::string_view bytes);
std::string PathBytes(const QString& text);

// A usage error for a --folder, --database or --tables that does not exist or is
// not a folder or a regular file as the option needs (it names the path), or empty.
std::string MissingPath(const CliOptions& options);

// The text of --help.
std::string UsageText();

}  // namespace veltmoor::cli
