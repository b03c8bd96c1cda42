// Fuzzes ConnectionString::Parse: any text either parses or raises _com_error
// (anything else escaping is a crash), and every key parsed is found again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/CString.h"
#include "db/ado/ConnectionString.h"
#include "db/ado/Error.h"

using veltmoor::_com_error;
using veltmoor::ado::ConnectionString;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ConnectionString cs;
    try {
        cs = ConnectionString::Parse(text);
    } catch (const _com_error& e) {
        if (e.Error() != veltmoor::hr::kInvalidArg || e.Description().empty()) std::abort();
        return 0;
    }
    for (const auto& [key, value] : cs.Pairs()) {
        // Keys are trimmed and never empty; Get finds the first pair of each key.
        if (key.empty() || key.find_first_of("=;") != std::string::npos) std::abort();
        if (!cs.Get(key)) std::abort();
        if (!cs.Get(veltmoor::ToUpper(key))) std::abort();
    }
    return 0;
}
