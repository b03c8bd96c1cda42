// A Jet 3/4 file opened read-only through libmdb, and its tables. libmdb's handle
// has one page buffer, so each reader (the catalog, every open recordset) has a
// handle of its own. Failures raise _com_error.
#pragma once

// mdbtools.h includes <glib.h> inside extern "C", where glib's C++ templates cannot
// be declared: glib must come first.
#include <glib.h>
#include <mdbtools.h>

#include <memory>
#include <string>
#include <vector>

namespace veltmoor::ado::jet {

struct HandleCloser {
    void operator()(MdbHandle* handle) const { mdb_close(handle); }
};
struct TableFreer {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using HandlePtr = std::unique_ptr<MdbHandle, HandleCloser>;
// A table with its columns and indexes read.
using TablePtr = std::unique_ptr<MdbTableDef, TableFreer>;

// Opens the file for reading only (never written) and reads its catalog; dates are
// bound as "YYYY-MM-DD hh:mm:ss", Yes/No as "1"/"0".
HandlePtr OpenJetFile(const std::string& path);

// The user tables (not Jet's own MSys* tables), in catalog order.
std::vector<MdbCatalogEntry*> UserTables(MdbHandle& mdb);

// The user table of that name (without regard to case); raises kNoTable when none.
TablePtr ReadTable(MdbHandle& mdb, const std::string& name);

inline MdbColumn* ColumnAt(MdbTableDef& table, unsigned i) {
    return static_cast<MdbColumn*>(g_ptr_array_index(table.columns, i));
}

}  // namespace veltmoor::ado::jet
