// A result set read in full: column names and rows of values. The client-side
// cursor of the ODBC provider, so that any number of recordsets can be open on one
// connection. Pure code.
#pragma once

#include <string>
#include <vector>

#include "db/ado/Connection.h"

namespace veltmoor::ado::odbc {

struct ResultTable {
    std::vector<std::string> names;
    std::vector<std::vector<_variant_t>> rows;  // each row has names.size() values
};

// An open recordset over a result table. Field reads need a current row; names
// are matched without regard to case. Everything but State raises kObjectClosed
// once it is closed. Its errors come from "ADODB.Recordset".
RecordsetPtr MakeBufferedRecordset(ResultTable table);

}  // namespace veltmoor::ado::odbc
