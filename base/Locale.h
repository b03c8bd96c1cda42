// The C library's locale for both programs, set once Qt has read the user's.
#pragma once

namespace veltmoor {

// Numbers, case folding and the C library's own messages the same in every
// locale: the log's numbers read alike everywhere, and libraries that fold names
// with the C library (the ODBC driver manager looking up "Driver={SQLITE3}") do
// not meet a Turkish 'i'. Text stays UTF-8.
void UseProgramLocale();

}  // namespace veltmoor
