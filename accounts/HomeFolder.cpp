#include "accounts/HomeFolder.h"

#include <filesystem>

namespace veltmoor::accounts {

namespace {

CString NameProblem(const CString& name) {
    if (name.empty()) return "its name is empty";
    if (name == "." || name == "..") return Format("its name \"%s\" names a folder, not a new one", name.c_str());
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == '/' || c == '\\') return "its name holds a folder separator ('/' or '\\')";
        // C1 controls are U+0080..U+009F, in UTF-8 the byte 0xC2 and 0x80..0x9F.
        const bool c1 = c == 0xC2 && i + 1 < name.size() && (static_cast<unsigned char>(name[i + 1]) & 0xE0) == 0x80;
        if (c < 0x20 || c == 0x7F || c1) return "its name holds a control character";
    }
    return {};
}

}  // namespace

CString HomeFolderPath(const CString& sharedFolder, const CString& account, CString& why) {
    why = NameProblem(account);
    if (!why.empty()) return {};
    const CString path = Format("%s/%s", sharedFolder.c_str(), account.c_str());
    const std::filesystem::path folder = std::filesystem::path(path).lexically_normal();
    const std::filesystem::path shared = (std::filesystem::path(sharedFolder) / "").lexically_normal();
    if (folder.parent_path() / "" != shared) {
        why = "its folder would not stay directly under the shared folder " + sharedFolder;
        return {};
    }
    return path;
}

}  // namespace veltmoor::accounts
