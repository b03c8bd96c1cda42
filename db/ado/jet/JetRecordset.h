// The rows of one table of a Jet file, read lazily in table order with libmdb's
// mdb_fetch_row (never libmdb's SQL layer, whose WHERE returns wrong rows on tables
// that once lost a column): one row is held at a time. Owns its own file handle.
#pragma once

#include <string>
#include <vector>

#include "db/ado/Connection.h"
#include "db/ado/jet/JetFile.h"

namespace veltmoor::ado::jet {

class JetRecordset final : public Recordset {
public:
    // The named columns of the table (raises naming a column the table lacks),
    // positioned on the first row.
    JetRecordset(HandlePtr mdb, TablePtr table, const std::vector<std::string>& columns);

    bool IsEOF() override;
    // Integers as 64-bit integers, text (UTF-8), NULL as null, Yes/No as booleans,
    // floating point and currency as doubles, dates as "YYYY-MM-DD hh:mm:ss" text.
    _variant_t GetField(const std::string& name) override;
    void MoveNext() override;
    void MoveFirst() override;
    void Close() override;
    long State() override { return table_ ? adStateOpen : adStateClosed; }

private:
    struct Field {
        MdbColumn* column;
        int index;                // in the table's columns
        std::vector<char> bound;  // what mdb_fetch_row writes for the column
        int length = 0;
    };
    void Advance();
    _variant_t Value(const Field& field, bool isNull);
    void Require(const char* what);

    HandlePtr mdb_;
    TablePtr table_;
    std::vector<Field> fields_;
    std::vector<_variant_t> row_;  // the current row's values, in the order of fields_
    std::vector<MdbField> cracked_;
    bool eof_ = true;
};

}  // namespace veltmoor::ado::jet
