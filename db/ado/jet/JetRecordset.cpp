#include "db/ado/jet/JetRecordset.h"

#include <cstring>

#include "base/CString.h"
#include "db/ado/jet/JetErrors.h"

namespace veltmoor::ado::jet {

namespace {
constexpr int kRowOffsetMask = 0x1fff;  // a row's start on its page, without the flag bits
}

JetRecordset::JetRecordset(HandlePtr mdb, TablePtr table, const std::vector<std::string>& columns)
    : mdb_(std::move(mdb)), table_(std::move(table)), cracked_(table_->num_cols) {
    fields_.reserve(columns.size());
    for (const std::string& name : columns) {
        unsigned index = 0;
        while (index < table_->num_cols && !EqualsNoCase(ColumnAt(*table_, index)->name, name)) ++index;
        if (index == table_->num_cols)
            RaiseProvider(hr::kErrorsInCommand, "Table [" + std::string(table_->name) + "] of the Microsoft Jet "
                                                "database has no column [" + name + "].");
        Field& field = fields_.emplace_back(Field{ColumnAt(*table_, index), static_cast<int>(index),
                                                  std::vector<char>(mdb_->bind_size), 0});
        mdb_bind_column(table_.get(), field.index + 1, field.bound.data(), &field.length);
    }
    MoveFirst();
}

void JetRecordset::Require(const char* what) {
    if (!table_) RaiseClosed(what);
}

bool JetRecordset::IsEOF() {
    Require("Recordset.EOF");
    return eof_;
}

void JetRecordset::MoveFirst() {
    Require("Recordset.MoveFirst");
    mdb_rewind_table(table_.get());
    Advance();
}

void JetRecordset::MoveNext() {
    Require("Recordset.MoveNext");
    if (eof_)
        RaiseNoCurrentRecord(kProviderSource);
    Advance();
}

void JetRecordset::Advance() {
    row_.clear();
    eof_ = !mdb_fetch_row(table_.get());
    if (eof_) return;
    // The bound text cannot tell a NULL from an empty text: the row's null mask can.
    // mdb_fetch_row has just read row cur_row - 1 of the page in pg_buf.
    int start = 0;
    size_t size = 0;
    const bool cracked = mdb_find_row(mdb_.get(), static_cast<int>(table_->cur_row) - 1, &start, &size) == 0 &&
                         mdb_crack_row(table_.get(), start & kRowOffsetMask, size, cracked_.data()) >= 0;
    for (const Field& field : fields_) {
        bool isNull = field.column->cur_value_len == 0;
        for (const MdbField& f : cracked_)
            if (cracked && f.colnum == field.index) isNull = f.is_null;
        row_.push_back(Value(field, isNull));
    }
}

_variant_t JetRecordset::Value(const Field& field, bool isNull) {
    const MdbColumn& column = *field.column;
    // A Yes/No column is never NULL (it keeps its value in the null mask).
    if (column.col_type == MDB_BOOL) return _variant_t(field.length == 1 && field.bound[0] == '1');
    if (isNull) return _variant_t::Null();
    unsigned char* page = mdb_->pg_buf;
    const int at = column.cur_value_start;
    switch (column.col_type) {
        case MDB_BYTE: return _variant_t(static_cast<std::int64_t>(mdb_get_byte(page, at)));
        case MDB_INT: return _variant_t(static_cast<std::int64_t>(static_cast<std::int16_t>(mdb_get_int16(page, at))));
        case MDB_LONGINT:
            return _variant_t(static_cast<std::int64_t>(static_cast<std::int32_t>(mdb_get_int32(page, at))));
        case MDB_FLOAT: return _variant_t(static_cast<double>(mdb_get_single(page, at)));
        case MDB_DOUBLE: return _variant_t(mdb_get_double(page, at));
        case MDB_MONEY: {
            std::int64_t units = 0;  // ten-thousandths, little-endian
            std::memcpy(&units, page + at, sizeof units);
            return _variant_t(static_cast<double>(GINT64_FROM_LE(units)) / 10000.0);
        }
        default: return _variant_t(std::string(field.bound.data(), static_cast<size_t>(field.length)));
    }
}

_variant_t JetRecordset::GetField(const std::string& name) {
    Require("Recordset.Fields");
    for (size_t i = 0; i < fields_.size(); ++i) {
        if (!EqualsNoCase(fields_[i].column->name, name)) continue;
        if (eof_)
            RaiseNoCurrentRecord(kProviderSource);
        return row_[i];
    }
    RaiseProvider(hr::kItemNotFound, "Item cannot be found in the collection corresponding to the requested name or "
                                     "ordinal: [" + name + "].");
}

void JetRecordset::Close() {
    Require("Recordset.Close");
    table_.reset();
    mdb_.reset();
}

}  // namespace veltmoor::ado::jet
