// Fuzzes ConnectionString::Parse: any text either parses or raises _com_error
// (anything else escaping is a crash), and what parses survives the round trip
// through ToOdbcString: the pairs read back are the pairs written.
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
    const std::string odbc = cs.ToOdbcString();
    ConnectionString again;
    try {
        again = ConnectionString::Parse(odbc);
    } catch (const _com_error&) {
        std::abort();  // our own output must always read back
    }
    if (again.Pairs() != cs.Pairs()) std::abort();
    // Leaving a key out removes every pair of that key and nothing else (keys are
    // passed as C strings, so one holding a NUL byte cannot be named).
    if (!cs.Pairs().empty() && cs.Pairs().front().first.find('\0') == std::string::npos) {
        const std::string first = cs.Pairs().front().first;
        const auto without = ConnectionString::Parse(cs.ToOdbcString({first.c_str()}));
        if (without.Get(first)) std::abort();
        std::size_t kept = 0;
        for (const auto& pair : cs.Pairs()) kept += veltmoor::EqualsNoCase(pair.first, first) ? 0 : 1;
        if (without.Pairs().size() != kept) std::abort();
    }
    return 0;
}
