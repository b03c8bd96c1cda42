// Where the program's files are: beside the executable in a build tree or a
// portable copy, in the installation's configuration folder otherwise.
#include <filesystem>
#include <system_error>

#include "app/VeltmoorDlg.h"

#ifndef VELTMOOR_SYSCONFDIR_FROM_BINDIR
#error "VELTMOOR_SYSCONFDIR_FROM_BINDIR: <sysconfdir> relative to <bindir>, set by db/CMakeLists.txt"
#endif

namespace veltmoor {

CString ProgramFolderOf(const CString& moduleFileName) {
    namespace fs = std::filesystem;
    const auto slash = moduleFileName.find_last_of('/');
    const CString own = slash == CString::npos ? CString("./") : moduleFileName.substr(0, slash + 1);
    std::error_code ignored;
    for (const char* name : {"config.xml", "tables.xml", "tarnwick.mdb"})
        if (fs::exists(fs::path(own) / name, ignored)) return own;
    // Relative to the executable rather than an absolute path, so that an
    // installation moved with `cmake --install --prefix` finds its own files.
    const fs::path installed = fs::path(own) / VELTMOOR_SYSCONFDIR_FROM_BINDIR / "veltmoor";
    return installed.lexically_normal().string() + "/";
}

}  // namespace veltmoor
