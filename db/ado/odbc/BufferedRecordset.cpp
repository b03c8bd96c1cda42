#include <utility>

#include "base/CString.h"
#include "db/ado/odbc/ResultTable.h"

namespace veltmoor::ado::odbc {

namespace {

class BufferedRecordset final : public Recordset {
public:
    explicit BufferedRecordset(ResultTable table) : table_(std::move(table)) {}

    bool IsEOF() override {
        RequireOpen();
        return position_ >= table_.rows.size();
    }
    _variant_t GetField(const std::string& name) override {
        RequireOpen();
        const size_t column = ColumnOf(name);
        if (position_ >= table_.rows.size()) ThrowNoCurrentRecord();
        return table_.rows[position_][column];
    }
    void MoveNext() override {
        RequireOpen();
        if (position_ >= table_.rows.size()) ThrowNoCurrentRecord();
        ++position_;
    }
    void MoveFirst() override {
        RequireOpen();
        position_ = 0;
    }
    void Close() override {
        RequireOpen();
        open_ = false;
        table_ = ResultTable{};
    }
    long State() override { return open_ ? adStateOpen : adStateClosed; }

private:
    void RequireOpen() const {
        if (!open_) throw _com_error(hr::kObjectClosed, source_, "Operation is not allowed when the object is closed.");
    }
    [[noreturn]] void ThrowNoCurrentRecord() const {
        RaiseNoCurrentRecord(source_);
    }
    size_t ColumnOf(const std::string& name) const {
        for (size_t i = 0; i < table_.names.size(); ++i)
            if (EqualsNoCase(table_.names[i], name)) return i;
        throw _com_error(
            hr::kItemNotFound, source_,
            "Item cannot be found in the collection corresponding to the requested name or ordinal: " + name);
    }

    static constexpr const char* source_ = "ADODB.Recordset";
    ResultTable table_;
    bool open_ = true;
    size_t position_ = 0;
};

}  // namespace

RecordsetPtr MakeBufferedRecordset(ResultTable table) {
    return RecordsetPtr(std::make_shared<BufferedRecordset>(std::move(table)));
}

}  // namespace veltmoor::ado::odbc
