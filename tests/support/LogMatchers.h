// The log in a short form, so that whole runs fit in tables of expected lines: a
// table's header as "<T>", its closing lines as "</>", an error block as
// Err(tracer, code) and a coloured line as "(colour) text".
#pragma once

#include <string>
#include <vector>

#include "tests/support/DialogFixture.h"

namespace veltmoor::test {

using Lines = std::vector<std::string>;
Lines operator+(Lines a, const Lines& b);

// The error block of RecordException with this tracer (without "CVeltmoorDlg::") and code.
std::string Err(const std::string& tracer, HRESULT code);
Lines Shortened(const std::vector<LogEntry>& log);

}  // namespace veltmoor::test
