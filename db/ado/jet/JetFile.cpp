#include "db/ado/jet/JetFile.h"

#include "base/CString.h"
#include "db/ado/jet/JetErrors.h"

namespace veltmoor::ado::jet {

HandlePtr OpenJetFile(const std::string& path) {
    // MDB_NOFLAGS: libmdb opens the file read-only and never writes it.
    HandlePtr mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    if (!mdb) RaiseProvider(hr::kDataSourceFailed, "Could not read the Microsoft Jet database '" + path + "'.");
    if (!mdb_read_catalog(mdb.get(), MDB_ANY))
        RaiseProvider(hr::kDataSourceFailed,
                      "Could not read the table list of the Microsoft Jet database '" + path + "': it may be damaged.");
    mdb_set_date_fmt(mdb.get(), "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(mdb.get(), "%Y-%m-%d");
    mdb_set_boolean_fmt_numbers(mdb.get());
    return mdb;
}

std::vector<MdbCatalogEntry*> UserTables(MdbHandle& mdb) {
    std::vector<MdbCatalogEntry*> tables;
    for (unsigned i = 0; i < mdb.num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb.catalog, i));
        const std::string_view name = entry->object_name;
        if (mdb_is_user_table(entry) && !EqualsNoCase(name.substr(0, 4), "MSys")) tables.push_back(entry);
    }
    return tables;
}

TablePtr ReadTable(MdbHandle& mdb, const std::string& name) {
    for (MdbCatalogEntry* entry : UserTables(mdb)) {
        if (!EqualsNoCase(entry->object_name, name)) continue;
        TablePtr table(mdb_read_table(entry));
        // mdb_read_indices answers NULL even when it succeeds: its array tells.
        if (table && mdb_read_columns(table.get())) mdb_read_indices(table.get());
        if (!table || !table->columns || !table->indices)
            RaiseProvider(hr::kFail, "Could not read the definition of table [" + name +
                                         "] of the Microsoft Jet database: it may be damaged.");
        return table;
    }
    RaiseNoTable(name);
}

}  // namespace veltmoor::ado::jet
