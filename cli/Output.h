// veltmoor-cli's standard output with every write checked: the first failure (a
// full disk, a device error) is kept and later writes are dropped, so that a run
// whose report could not be written never ends looking finished.
#pragma once

#include <string>
#include <string_view>

namespace veltmoor::cli {

class Output {
public:
    // Writes the text (buffered: a long run's log is thousands of writes).
    void Write(std::string_view text);
    // Hands what is buffered to the system: before a progress line or a line on
    // stderr, which must not overtake it.
    void Flush();
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
