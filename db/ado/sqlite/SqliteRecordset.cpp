#include "db/ado/sqlite/SqliteRecordset.h"

#include <algorithm>

#include "base/CString.h"

namespace veltmoor::ado::sqlite {

SqliteRecordset::SqliteRecordset(std::shared_ptr<Session> session, StatementHandle stmt)
    : session_(std::move(session)), stmt_(std::move(stmt)) {
    session_->Register(this);
}

SqliteRecordset::~SqliteRecordset() { Release(); }

void SqliteRecordset::Release() noexcept {
    if (!stmt_) return;
    session_->Unregister(this);
    // Giving the statement back resets it, which ends its read: no lock is held once closed.
    stmt_.reset();
    eof_ = true;
}

sqlite3_stmt* SqliteRecordset::RequireOpen(const char* what) {
    if (!stmt_) RaiseClosed(what);
    return stmt_.get();
}

void SqliteRecordset::Advance() {
    try {
        eof_ = !session_->Step(stmt_.get());
    } catch (...) {
        // A failed step leaves no current row.
        Release();
        throw;
    }
}

void SqliteRecordset::Start() { Advance(); }

bool SqliteRecordset::IsEOF() {
    RequireOpen("Recordset.EOF");
    return eof_;
}

namespace {

// Column names are compared on every field read, folding ASCII only, as SQLite
// itself does in names.
bool SameName(const char* column, const std::string& name) {
    size_t i = 0;
    for (; column[i] != '\0'; ++i) {
        if (i >= name.size()) return false;
        if (AsciiUpper(column[i]) != AsciiUpper(name[i])) return false;
    }
    return i == name.size();
}

_variant_t ColumnValue(sqlite3_stmt* stmt, int i) {
    switch (sqlite3_column_type(stmt, i)) {
        case SQLITE_NULL: return _variant_t::Null();
        case SQLITE_INTEGER: return _variant_t(static_cast<std::int64_t>(sqlite3_column_int64(stmt, i)));
        case SQLITE_FLOAT: return _variant_t(sqlite3_column_double(stmt, i));
        case SQLITE_BLOB: {
            // The program reads no binary columns; their bytes come as text rather than failing.
            const void* data = sqlite3_column_blob(stmt, i);
            const int size = sqlite3_column_bytes(stmt, i);
            return _variant_t(std::string(static_cast<const char*>(data), static_cast<size_t>(size)));
        }
        default: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
            const int size = sqlite3_column_bytes(stmt, i);
            return _variant_t(std::string(text ? text : "", static_cast<size_t>(size)));
        }
    }
}

}  // namespace

_variant_t SqliteRecordset::GetField(const std::string& name) {
    sqlite3_stmt* stmt = RequireOpen("Fields.Item");
    if (columns_.empty()) {  // read once: SQLite looks each name up afresh, under its mutex
        for (int i = 0, count = sqlite3_column_count(stmt); i < count; ++i) {
            const char* column = sqlite3_column_name(stmt, i);
            columns_.emplace_back(column ? column : "");
        }
    }
    // Callers read a row's fields in the same order row after row: the search starts
    // after the field found last.
    const int count = static_cast<int>(columns_.size());
    int index = -1;
    for (int n = 0, i = lastField_ + 1; n < count; ++n, ++i) {
        if (i >= count) i = 0;
        if (columns_[i] == name || SameName(columns_[i].c_str(), name)) {
            index = lastField_ = i;
            break;
        }
    }
    if (index < 0)
        throw _com_error(hr::kItemNotFound, kProviderSource,
                         "Item cannot be found in the collection corresponding to the requested name or ordinal: " + name);
    if (eof_)
        RaiseNoCurrentRecord(kProviderSource);
    return ColumnValue(stmt, index);
}

void SqliteRecordset::MoveNext() {
    RequireOpen("Recordset.MoveNext");
    if (eof_)
        RaiseNoCurrentRecord(kProviderSource);
    Advance();
}

void SqliteRecordset::MoveFirst() {
    sqlite3_stmt* stmt = RequireOpen("Recordset.MoveFirst");
    // The statement keeps its parameter values across a reset, so it runs again as it first ran.
    sqlite3_reset(stmt);
    Advance();
}

void SqliteRecordset::Close() {
    RequireOpen("Recordset.Close");
    Release();
}

}  // namespace veltmoor::ado::sqlite
