// The catalog of a Jet file (the provider's side of ADOX), read through libmdb:
// user tables, columns with the ADOX types Jet reports (autonumber, Required,
// DefaultValue), indexes (the primary key, unique flags, key columns; relationship
// references left out). Every change raises the read-only error.
#pragma once

#include <memory>
#include <string>

#include "db/ado/Connection.h"
#include "db/ado/jet/JetFile.h"

namespace veltmoor::ado::jet {

class JetCatalog final : public CatalogBackend {
public:
    // Reads through the connection's handle, which outlives the catalog's use.
    JetCatalog(std::shared_ptr<MdbHandle> mdb, std::string path) : mdb_(std::move(mdb)), path_(std::move(path)) {}

    std::vector<std::string> TableNames() override;
    std::vector<ColumnInfo> Columns(const std::string& table) override;
    // The primary key first, then the others in the file's order.
    std::vector<IndexInfo> Indexes(const std::string& table) override;
    void CreateTable(const TableDef& table) override;
    void CreateIndex(const std::string& table, const IndexInfo& index) override;
    void SetColumnProperty(const std::string& table, const std::string& column, const std::string& property,
                           const _variant_t& value) override;

private:
    std::shared_ptr<MdbHandle> mdb_;
    std::string path_;
};

}  // namespace veltmoor::ado::jet
