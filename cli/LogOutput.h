// The log as veltmoor-cli prints it: plain text exactly as "Copy Log to Clipboard"
// copies it, or with 24-bit ANSI colours from the log's palette.
#pragma once

#include <string>
#include <string_view>

#include "cli/CliOptions.h"
#include "log/LogModel.h"

namespace veltmoor::cli {

// Colour on this stream? Auto means: only when it is a terminal.
bool WantColour(ColourMode mode, int fileDescriptor);

// Text from the database or tables.xml with its control bytes made visible, so
// that none reaches a terminal raw: C0 and DEL in caret notation ("^[", "^?"),
// C1 characters and bytes that are not UTF-8 as "\xc2\x9b".
std::string Visible(std::string_view text);

// Every line of the log, each followed by CR LF. With colour, each run of a palette
// colour is preceded by its escape (the log's default colours are left to the
// terminal's own) and a coloured line ends with a reset before its CR LF. With colour,
// or when `visible` (the stream is a terminal), the text goes through Visible;
// without either it is exactly GetText().
std::string RenderLog(const LogModel& log, bool colour, bool visible);

// Hands out the lines added to a log since the last call, so that a long run is
// printed whole although the log itself keeps only its newest 1001 to 2001 lines.
// It must be asked at least once per 1000 added lines; it keeps a pointer to the
// last line handed out, which the log keeps valid until that line is dropped.
class LogFollower {
public:
    explicit LogFollower(const LogModel& log) : log_(log) {}
    // The log was (or is about to be) cleared: follow it from its first line.
    void Restart() { last_ = nullptr; }
    // The lines added since the last call, rendered.
    std::string TakeNew(bool colour, bool visible);

private:
    const LogModel& log_;
    const LogLine* last_ = nullptr;
};

}  // namespace veltmoor::cli
