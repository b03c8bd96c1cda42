// PLACEHOLDER: replaced by the SQLite provider.
#include "db/ado/Providers.h"
namespace veltmoor::ado {
std::shared_ptr<Connection> OpenSqliteProvider(const ConnectionString&, const OpenOptions&) {
    throw _com_error(hr::kNotSupported, "placeholder", "SQLite provider not built yet");
}
}  // namespace veltmoor::ado
