// Opening a genuine Jet file: read-only through libmdb, the catalog read at once so
// that a damaged file fails here rather than at the first query.
#include "db/ado/Providers.h"
#include "db/ado/jet/JetConnection.h"

namespace veltmoor::ado {

std::shared_ptr<Connection> OpenJetProvider(const std::string& path) {
    return std::make_shared<jet::JetConnection>(jet::OpenJetFile(path), path);
}

}  // namespace veltmoor::ado
