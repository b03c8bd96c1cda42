// The rows of one SELECT (or other row-returning statement), read lazily: one row
// is held at a time, so walking any number of rows takes constant memory. While
// open the recordset owns its prepared statement; on Close (or destruction) the
// statement is reset and given back to the connection's cache.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/ado/Connection.h"
#include "db/ado/sqlite/SqliteSession.h"

namespace veltmoor::ado::sqlite {

class SqliteRecordset final : public Recordset {
public:
    // Takes the prepared, not yet stepped statement.
    SqliteRecordset(std::shared_ptr<Session> session, StatementHandle stmt);
    ~SqliteRecordset() override;
    SqliteRecordset(const SqliteRecordset&) = delete;
    SqliteRecordset& operator=(const SqliteRecordset&) = delete;

    // Steps to the first row; raises when SQLite fails (the recordset is then closed).
    void Start();

    bool IsEOF() override;
    // The value of the column of that name (without regard to case) in the current row:
    // NULL gives the null variant, integers and reals their numbers, text and blobs their bytes.
    _variant_t GetField(const std::string& name) override;
    void MoveNext() override;
    void MoveFirst() override;  // runs the statement again from its first row
    void Close() override;
    long State() override { return stmt_ ? adStateOpen : adStateClosed; }

private:
    friend class Session;
    void Advance();
    // Gives the statement back (or finalizes it when the connection is closing).
    void Release() noexcept;
    sqlite3_stmt* RequireOpen(const char* what);

    std::shared_ptr<Session> session_;
    StatementHandle stmt_;
    std::vector<std::string> columns_;  // the statement's column names, read at the first field
    int lastField_ = -1;                // the column GetField found last
    bool eof_ = true;
    SqliteRecordset* prev_ = nullptr;  // the session's list of open recordsets
    SqliteRecordset* next_ = nullptr;
};

}  // namespace veltmoor::ado::sqlite
