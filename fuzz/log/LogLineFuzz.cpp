// libFuzzer target for the log line parser: every input is added as one line and
// must come out with a clean display text, well-formed colour changes and runs,
// the same result as a plain byte-by-byte reading of the colour-code rules, and
// a consistent plain text. A long-lived store checks the line limit on the way.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "log/LogModel.h"
#include "log/Utf8.h"

namespace {

using veltmoor::ColourChange;

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// The colour-code rules read one byte at a time, as simply as they can be written.
struct Reference {
    std::string text;
    std::map<std::int32_t, ColourChange> changes;

    explicit Reference(std::string_view in) {
        int state = 0;
        int first = 0;
        int fg = -1;
        int bg = -1;
        auto len = [&] { return static_cast<std::int32_t>(text.size()); };
        auto valid = [](int n) { return n >= -1 && n <= 15; };
        auto rec = [&](std::int32_t pos, int b, int t) { changes.emplace(pos, ColourChange{b, t}); };
        for (char c : in) {
            if (c == '\r' || c == '\n' || c == 0x02 || c == 0x1F) continue;
            if (c == '\t') {
                text += "    ";
                continue;
            }
            const bool digit = c >= '0' && c <= '9';
            const bool code = c == 0x03;
            switch (state) {
            case 0:
                if (code) state = 1;
                else text += c;
                break;
            case 1:
                if (digit) first = c - '0', state = 2;
                else if (code) rec(len() - 1, -1, -1);
                else rec(len(), -1, -1), text += c, state = 0;
                break;
            case 2:
                if (digit) fg = first * 10 + (c - '0'), state = 3;
                else if (c == ',') fg = first, state = 4;
                else if (code) {
                    fg = first;
                    if (valid(fg)) rec(len() - 1, -1, fg);
                    state = 1;
                } else {
                    fg = first;
                    if (valid(fg)) rec(len(), -1, fg);
                    text += c;
                    state = 0;
                }
                break;
            case 3:
                if (code) {
                    if (valid(fg)) rec(len() - 1, -1, fg);
                    state = 1;
                } else if (c == ',') {
                    state = 4;
                } else {
                    if (valid(fg)) rec(len(), -1, fg);
                    text += c;
                    state = 0;
                }
                break;
            case 4:
                if (digit) {
                    first = c - '0';
                    state = 5;
                } else {
                    if (valid(fg)) rec(len(), -1, fg);
                    text += ',';
                    if (code) state = 1;
                    else text += c, state = 0;
                }
                break;
            case 5:
                if (digit) {
                    bg = first * 10 + (c - '0');
                    if (valid(bg) && valid(fg)) rec(len(), bg, fg);
                    state = 0;
                } else if (code) {
                    bg = first;
                    if (valid(bg) && valid(fg)) rec(len() - 1, bg, fg);
                    state = 1;
                } else {
                    bg = first;
                    if (valid(bg) && valid(fg)) rec(len(), bg, fg);
                    text += c;
                    state = 0;
                }
                break;
            }
        }
    }
};

void CheckLine(const veltmoor::LogLine& line, std::string_view input) {
    const std::string_view text = line.Text();
    const std::int32_t length = line.Length();
    Check(static_cast<size_t>(length) == text.size(), "length matches the text");
    Check(line.CStr()[length] == '\0', "display text is terminated");
    for (char c : text)
        Check(c != 0x03 && c != '\r' && c != '\n' && c != 0x02 && c != 0x1F && c != '\t', "no codes or dropped bytes shown");

    const Reference ref(input);
    Check(text == ref.text, "display text as the byte-by-byte rules give it");
    Check(line.Changes().size() == ref.changes.size(), "as many changes as the rules give");

    std::int32_t previous = -2;
    auto expected = ref.changes.begin();
    for (const auto& entry : line.Changes()) {
        Check(entry.position > previous, "changes sorted, one per position");
        Check(entry.position >= -1 && entry.position <= length, "change position within -1..length");
        Check(entry.change.text >= -1 && entry.change.text <= 15, "text number valid");
        Check(entry.change.background >= -1 && entry.change.background <= 15, "background number valid");
        Check(expected != ref.changes.end() && expected->first == entry.position &&
                  expected->second == entry.change,
              "change as the rules give it");
        ++expected;
        previous = entry.position;
    }

    for (std::int32_t pos = -1; pos <= length; ++pos) {
        const std::int32_t d = line.DistanceToNextChange(pos);
        if (d == -1) {
            Check(line.Changes().empty() || line.Changes().back().position <= pos, "no change after pos");
        } else {
            Check(d > 0, "distance positive");
            Check(ref.changes.count(pos + d) == 1, "distance lands on a change");
            Check(ref.changes.lower_bound(pos + 1) == ref.changes.find(pos + d), "distance reaches the next change");
        }
    }

    std::int32_t covered = 0;
    for (const auto& seg : line.Segments()) {
        Check(seg.start == covered, "runs are contiguous");
        Check(seg.length > 0, "runs are not empty");
        Check(veltmoor::utf8::CharStart(text, seg.start) == seg.start, "runs start on a character");
        covered += seg.length;
    }
    Check(covered == length, "runs cover the line");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    veltmoor::LogModel model;
    const veltmoor::LogLine* line = model.AddLine(input);
    if (size == 0) {
        Check(line == nullptr && model.Empty(), "empty text adds nothing");
        return 0;
    }
    Check(line != nullptr && model.Count() == 1, "one call, one line");
    CheckLine(*line, input);
    Check(model.GetText() == std::string(line->Text()) + "\r\n", "plain text is the line and CR LF");

    // A store that lives across inputs keeps trimming and reusing buffers.
    static veltmoor::LogModel longLived;
    const veltmoor::LogLine* kept = longLived.AddLine(input);
    Check(kept != nullptr && kept->Text() == line->Text(), "reused buffers give the same line");
    Check(longLived.Count() <= 2001, "at most 2001 lines");
    return 0;
}
