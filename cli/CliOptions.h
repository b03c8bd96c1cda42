// veltmoor-cli's command line:
//   veltmoor-cli [--folder DIR] [--fix] [--color=auto|always|never] [--quiet] COMMAND...
// ParseCommandLine never exits or prints; a usage error comes back as one line of text.
#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace veltmoor::cli {

enum class Command { Tables, Accounts };
enum class ColourMode { Auto, Always, Never };

struct CliOptions {
    QString folder;  // empty: the program's own folder
    bool fix = false;
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

// The text of --help.
std::string UsageText();

}  // namespace veltmoor::cli
