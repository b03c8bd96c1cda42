#include "cli/LogOutput.h"

#include <unistd.h>

#include <iterator>

#include "base/CString.h"

namespace veltmoor::cli {

namespace {

std::string Escape(const ColourChange& numbers) {
    // The log draws white on dark blue by default; a terminal has its own
    // defaults, which read better there, so -1 maps to them.
    std::string sgr = "\x1b[";
    if (numbers.text < 0) {
        sgr += "39";
    } else {
        const ColourRef c = PaletteColour(numbers.text, kLogDefaultText);
        sgr += Format("38;2;%u;%u;%u", RedOf(c), GreenOf(c), BlueOf(c));
    }
    if (numbers.background < 0) {
        sgr += ";49";
    } else {
        const ColourRef c = PaletteColour(numbers.background, kLogDefaultBackground);
        sgr += Format(";48;2;%u;%u;%u", RedOf(c), GreenOf(c), BlueOf(c));
    }
    return sgr + "m";
}

}  // namespace

bool WantColour(ColourMode mode, int fileDescriptor) {
    if (mode == ColourMode::Always) return true;
    if (mode == ColourMode::Never) return false;
    return isatty(fileDescriptor) == 1;
}

std::string RenderLine(const LogLine& line, bool colour) {
    std::string out;
    if (!colour) {
        out.reserve(static_cast<size_t>(line.Length()) + 2);
        out.append(line.Text());
        return out + "\r\n";
    }
    const std::string_view text = line.Text();
    ColourChange current;  // what the terminal shows: its defaults
    bool coloured = false;
    for (const ColourSegment& segment : line.Segments()) {
        if (!(segment.numbers == current)) {
            out += Escape(segment.numbers);
            current = segment.numbers;
            coloured = true;
        }
        out.append(text.substr(static_cast<size_t>(segment.start), static_cast<size_t>(segment.length)));
    }
    if (coloured) out += "\x1b[0m";
    return out + "\r\n";
}

std::string RenderLog(const LogModel& log, bool colour) {
    if (!colour) return log.GetText();
    std::string out;
    for (const LogLine& line : log.Lines()) out += RenderLine(line, colour);
    return out;
}

std::string LogFollower::TakeNew(bool colour) {
    // New lines sit at the end: walk back to the last one handed out. When it is
    // not there any more (cleared or dropped), every line is new.
    const auto& lines = log_.Lines();
    auto first = lines.end();
    while (first != lines.begin()) {
        auto previous = std::prev(first);
        if (&*previous == last_) break;
        first = previous;
    }
    std::string out;
    for (auto it = first; it != lines.end(); ++it) out += RenderLine(*it, colour);
    last_ = lines.empty() ? nullptr : &lines.back();
    return out;
}

}  // namespace veltmoor::cli
