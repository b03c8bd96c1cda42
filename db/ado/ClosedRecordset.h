// The recordset of a statement that returns no rows, for every provider: closed
// from the start, State 0, and every other operation raises kObjectClosed.
#pragma once

#include "db/ado/Connection.h"

namespace veltmoor::ado {

RecordsetPtr ClosedRecordset();

}  // namespace veltmoor::ado
