// Reading the program's files (tables.xml, config.xml, the database's header)
// without ever blocking: a FIFO, a device, a socket or a folder at that name is
// refused, never opened for a read that could wait for ever.
#pragma once

#include <string>

namespace veltmoor {

// Opens path for reading: a descriptor of a regular file, or -1 with why not in
// `why` ("No such file or directory", "Is a directory", "not a regular file (a FIFO)").
int OpenRegularFile(const std::string& path, std::string& why);

// The whole content of a regular file; false with why not in `why`.
bool ReadRegularFile(const std::string& path, std::string& content, std::string& why);

// "" when nothing is at path or it is a regular file; else "not a regular file
// (a FIFO)", "not a regular file (a folder)"...
std::string NotRegularFile(const std::string& path);

}  // namespace veltmoor
