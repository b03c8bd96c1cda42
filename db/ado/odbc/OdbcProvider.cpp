// PLACEHOLDER: replaced by the ODBC provider.
#include "db/ado/Providers.h"
namespace veltmoor::ado {
std::shared_ptr<Connection> OpenOdbcProvider(const ConnectionString&, bool, const OpenOptions&) {
    throw _com_error(hr::kNotSupported, "placeholder", "ODBC provider not built yet");
}
}  // namespace veltmoor::ado
