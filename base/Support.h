// Constants of the program that several subsystems print.
#pragma once

namespace veltmoor {

// Where operators send a log when a problem persists.
inline constexpr const char* kSupportEmail = "support@veltmoor.example";

inline constexpr const char* kProgramVersion = "1.0";

}  // namespace veltmoor
