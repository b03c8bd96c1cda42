#include "cli/LogOutput.h"

#include <unistd.h>

#include <iterator>

#include "base/CString.h"
#include "log/Utf8.h"

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

std::string Visible(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    const auto size = static_cast<std::int32_t>(text.size());
    for (std::int32_t pos = 0; pos < size;) {
        const int length = utf8::CharLength(text, pos);
        const auto byte = static_cast<unsigned char>(text[static_cast<size_t>(pos)]);
        const char32_t cp = utf8::Decode(text, pos);
        if (byte < 0x20 || byte == 0x7F) {
            out += '^';
            out += static_cast<char>(byte ^ 0x40);
        } else if ((length == 1 && byte >= 0x80) || (cp >= 0x80 && cp < 0xA0)) {
            for (int i = 0; i < length; ++i)
                out += Format("\\x%02x", static_cast<unsigned char>(text[static_cast<size_t>(pos + i)]));
        } else {
            out.append(text.substr(static_cast<size_t>(pos), static_cast<size_t>(length)));
        }
        pos += length;
    }
    return out;
}

namespace {
// One line as RenderLog renders it, appended to out.
void AppendLine(std::string& out, const LogLine& line, bool colour, bool visible) {
    if (!colour) {
        out.append(visible ? Visible(line.Text()) : line.Text());
        out += "\r\n";
        return;
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
        out.append(Visible(text.substr(static_cast<size_t>(segment.start), static_cast<size_t>(segment.length))));
    }
    if (coloured) out += "\x1b[0m";
    out += "\r\n";
}
}  // namespace

std::string RenderLog(const LogModel& log, bool colour, bool visible) {
    if (!colour && !visible) return log.GetText();
    std::string out;
    for (const LogLine& line : log.Lines()) AppendLine(out, line, colour, visible);
    return out;
}

std::string LogFollower::TakeNew(bool colour, bool visible) {
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
    for (auto it = first; it != lines.end(); ++it) AppendLine(out, *it, colour, visible);
    last_ = lines.empty() ? nullptr : &lines.back();
    return out;
}

}  // namespace veltmoor::cli
