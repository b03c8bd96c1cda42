#include "db/ado/jet/JetErrors.h"

#include "db/ado/EmbeddedFile.h"

namespace veltmoor::ado::jet {

void RaiseProvider(HRESULT code, std::string description) {
    throw _com_error(code, kProviderSource, std::move(description));
}

void RaiseReadOnly(const std::string& what, const std::string& path) {
    RaiseProvider(hr::kNotSupported, "Cannot update: the Microsoft Jet database '" + path +
                                         "' is read read-only here, so " + what + " was refused.");
}

void RaiseNoTable(const std::string& table) {
    RaiseProvider(hr::kNoTable, "The Microsoft Jet database engine cannot find the input table or query '" + table +
                                    "'. Make sure it exists and that its name is spelled correctly.");
}

void RaiseClosed(const char* what) {
    RaiseProvider(hr::kObjectClosed, std::string("Operation is not allowed when the object is closed (") + what + ").");
}

std::string ReadOnlyReason(const std::string& path) {
    return "'" + path + "' is a Microsoft Jet database, and Jet files are checked read-only here: nothing was "
           "repaired. To repair it, run the check on the server's own platform, where Jet writes the file, or " +
           MdbToolsConversion(path) + ", and point the server at it too.";
}

}  // namespace veltmoor::ado::jet
