// Whether veltmoor-cli can use a schema description before the table check runs:
// the dialog checks nothing without one, and says nothing; the CLI says why.
#pragma once

#include <string>

namespace veltmoor::cli {

// Empty when the file is readable and well-formed XML; else why not, for a line
// such as "/etc/veltmoor/tables.xml: No such file or directory".
std::string SchemaFileProblem(const std::string& path);

}  // namespace veltmoor::cli
