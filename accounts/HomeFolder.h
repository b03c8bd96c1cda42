// Where a repaired home folder goes: directly under the shared FTP folder, named after
// its account. A name that would put it anywhere else is refused.
#pragma once

#include "base/CString.h"

namespace veltmoor::accounts {

// The folder "<shared>/<account>", or empty with `why` set when the name is empty,
// "." or "..", holds '/', '\' or a control character (C0, DEL or C1), or the folder
// would otherwise not stay directly under the shared folder.
CString HomeFolderPath(const CString& sharedFolder, const CString& account, CString& why);

}  // namespace veltmoor::accounts
