// The log as veltmoor-cli prints it: plain text exactly as "Copy Log to Clipboard"
// copies it, or with 24-bit ANSI colours from the log's palette.
#pragma once

#include <string>

#include "cli/CliOptions.h"
#include "log/LogModel.h"

namespace veltmoor::cli {

// Colour on this stream? Auto means: only when it is a terminal.
bool WantColour(ColourMode mode, int fileDescriptor);

// Every line followed by CR LF. With colour, each run of a palette colour is
// preceded by its escape (the log's default colours are left to the terminal's
// own) and a coloured line ends with a reset before its CR LF.
std::string RenderLog(const LogModel& log, bool colour);

}  // namespace veltmoor::cli
