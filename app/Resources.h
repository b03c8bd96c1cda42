// The program's resources: its name, the string table and the icon (resource 128,
// drawn at 16, 32 and 48 pixels and compiled into the program).
#pragma once

#include <QIcon>
#include <QString>

namespace veltmoor {

inline constexpr const char* kProgramName = "Veltmoor";

enum StringId { IDS_ABOUTBOX = 101 };

// A string of the string table; empty for an unknown id.
QString LoadString(int id);

// The program icon with all its sizes; never null once the resources are linked.
QIcon LoadProgramIcon();

// The size at which the window system shows a large icon (the About box, the
// minimised window).
QSize LargeIconSize();

}  // namespace veltmoor
