#include "db/ado/ClosedRecordset.h"

namespace veltmoor::ado {

namespace {

class Closed final : public Recordset {
public:
    bool IsEOF() override { Raise(); }
    _variant_t GetField(const std::string&) override { Raise(); }
    void MoveNext() override { Raise(); }
    void MoveFirst() override { Raise(); }
    void Close() override { Raise(); }
    long State() override { return adStateClosed; }

private:
    [[noreturn]] static void Raise() {
        throw _com_error(hr::kObjectClosed, "ADODB.Recordset", "Operation is not allowed when the object is closed.");
    }
};

}  // namespace

RecordsetPtr ClosedRecordset() {
    // Stateless, so one object serves every statement that returns no rows.
    static const auto closed = std::make_shared<Closed>();
    return RecordsetPtr(closed);
}

}  // namespace veltmoor::ado
