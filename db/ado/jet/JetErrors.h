// Errors of the Jet provider as the one error type: what cannot be read, what is
// not understood, and every write refused because Jet files are read read-only here.
#pragma once

#include <string>

#include "db/ado/Error.h"

namespace veltmoor::ado::jet {

// The source of every error this provider raises.
inline constexpr const char* kProviderSource = "Microsoft.Jet.OLEDB.4.0";

[[noreturn]] void RaiseProvider(HRESULT code, std::string description);
// A write of any kind (what: e.g. "BeginTrans", "creating table [T]") on the file at path.
[[noreturn]] void RaiseReadOnly(const std::string& what, const std::string& path);
// Jet's own message for a table that is not in the file.
[[noreturn]] void RaiseNoTable(const std::string& table);
[[noreturn]] void RaiseClosed(const char* what);

// Why nothing is repaired on a Jet file, and the two ways on, for the run's error block.
std::string ReadOnlyReason(const std::string& path);

}  // namespace veltmoor::ado::jet
