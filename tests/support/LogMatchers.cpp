#include "tests/support/LogMatchers.h"

#include "base/CString.h"
#include "base/Support.h"

namespace veltmoor::test {

using ::testing::AllOf;
using ::testing::Eq;
using ::testing::Field;
using ::testing::StartsWith;

LineMatcher Line(const std::string& text) { return Eq(LogEntry{-1, text}); }
LineMatcher Line(int colour, const std::string& text) { return Eq(LogEntry{colour, text}); }
LineMatcher LineStartingWith(int colour, const std::string& prefix) {
    return AllOf(Field("colour", &LogEntry::colour, colour), Field("text", &LogEntry::text, StartsWith(prefix)));
}

std::vector<LineMatcher> ErrorBlock(const std::string& tracer, HRESULT code) {
    return {
        Line("  "),
        Line(8, "Exception Recorded"),
        code ? Line(8, Format("Code = %08lx", static_cast<unsigned long>(static_cast<std::uint32_t>(code))))
             : LineStartingWith(8, "Code = "),
        LineStartingWith(8, "Msg: "),
        LineStartingWith(8, "Source: "),
        LineStartingWith(8, "Description: "),
        Line(8, "Tracer: " + tracer),
        Line(8, Format("** Email %s with this log if this problem persists", kSupportEmail)),
    };
}

std::vector<LineMatcher> TableBlock(const std::string& table, std::vector<LineMatcher> lines) {
    std::vector<LineMatcher> out{Line("--- Checking table: " + table + " ---")};
    out.insert(out.end(), lines.begin(), lines.end());
    out.push_back(Line("--- Checking Complete ---"));
    out.push_back(Line("  "));
    return out;
}

std::vector<LineMatcher> Join(std::initializer_list<std::vector<LineMatcher>> pieces) {
    std::vector<LineMatcher> out;
    for (const auto& piece : pieces) out.insert(out.end(), piece.begin(), piece.end());
    return out;
}

}  // namespace veltmoor::test
