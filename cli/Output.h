// veltmoor-cli's standard output with every write checked: the first failure (a
// full disk, a device error) is kept and later writes are dropped, so that a run
// whose report could not be written never ends looking finished.
#pragma once

#include <string>
#include <string_view>

namespace veltmoor::cli {

class Output {
public:
    // Writes and flushes the text (the progress line on stderr must not overtake it).
    void Write(std::string_view text);
    // Whether a write has failed.
    bool Failed() const { return error_ != 0; }
    // Flushes and closes stdout: the errno of the first failure, or 0.
    int Close();

private:
    int error_ = 0;
};

// "veltmoor-cli: write error: No space left on device\n" for that errno.
std::string WriteErrorLine(int error);

}  // namespace veltmoor::cli
