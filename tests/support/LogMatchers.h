// gmock matchers for the log as LogEntries() reads it: plain and coloured lines,
// the eight-line error block, and a way to chain expected pieces into one list.
#pragma once

#include <gmock/gmock.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "tests/support/DialogFixture.h"

namespace veltmoor::test {

using LineMatcher = ::testing::Matcher<const LogEntry&>;

LineMatcher Line(const std::string& text);                    // exactly this text, default colour
LineMatcher Line(int colour, const std::string& text);        // exactly this text in this colour
LineMatcher LineStartingWith(int colour, const std::string& prefix);

// The error block of RecordException with this tracer; the code when not 0 (its
// message, source and description are not compared).
std::vector<LineMatcher> ErrorBlock(const std::string& tracer, HRESULT code = 0);

// The per-table lines of the main pass: header, the given lines, closing lines.
std::vector<LineMatcher> TableBlock(const std::string& table, std::vector<LineMatcher> lines = {});

// Joins pieces into one expected log: ElementsAreArray(Join({...})).
std::vector<LineMatcher> Join(std::initializer_list<std::vector<LineMatcher>> pieces);

}  // namespace veltmoor::test
