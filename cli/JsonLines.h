// veltmoor-cli --format=json: one compact JSON object per line (JSON Lines) for
// each finding, each error block and the closing summary.
#pragma once

#include <QByteArray>
#include <string>

#include "app/VeltmoorDlg.h"

namespace veltmoor::cli {

// {"check":"accounts","account":"bob","link":"SETTINGS_ID","message":"...","fixed":false}
// (tables: "table" and "column" or "index" instead of "account" and "link").
QByteArray FindingLine(const CVeltmoorDlg::Finding& finding);

// {"error":{"code":"80004005","msg":"...","source":...,"description":...,"tracer":"..."}};
// source and description are null when the component gave none.
QByteArray ErrorLine(const _com_error& error, const CString& tracer);

// An error of veltmoor-cli itself (no usable tables.xml): {"error":{"source":"veltmoor-cli","description":"..."}}
QByteArray ErrorLine(const std::string& description);

// The JSON text with DEL and the C1 characters written as \u escapes (the same
// values), for a terminal, which would act on them raw; JSON escapes C0 itself.
std::string EscapeControls(const QByteArray& json);

// {"summary":{"tables":2,"accounts":40,"findings":7,"fixed":5,"left":2,"errors":0,"status":5,"interrupted":false}}
QByteArray SummaryLine(const CheckTally& total, int status);

}  // namespace veltmoor::cli
