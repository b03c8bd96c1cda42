// Drops a table when it goes out of scope, unless kept: a rebuild that does not
// complete leaves no duplicate table behind. A failing DROP is recorded under the
// repair's tracer, so that the operator knows the table is still there.
#pragma once

#include "app/VeltmoorDlg.h"

namespace veltmoor::schema {

class DropTableGuard {
public:
    DropTableGuard(CVeltmoorDlg& dlg, CString table, const char* tracer)
        : dlg_(dlg), table_(std::move(table)), tracer_(tracer) {}
    ~DropTableGuard() {
        if (kept_) return;
        try {
            dlg_.m_pConnection->Execute(Format("DROP TABLE %s", table_.c_str()));
        } catch (const _com_error& error) {
            dlg_.RecordException(error, tracer_, true);
        }
    }
    DropTableGuard(const DropTableGuard&) = delete;
    DropTableGuard& operator=(const DropTableGuard&) = delete;

    void Keep() { kept_ = true; }

private:
    CVeltmoorDlg& dlg_;
    CString table_;
    const char* tracer_;
    bool kept_ = false;
};

}  // namespace veltmoor::schema
