// A fresh folder under the system's temporary folder for one test, removed with
// everything in it when the object goes away.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace veltmoor::test {

class TempDir {
public:
    TempDir();  // raises std::runtime_error when no folder can be made
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder with a closing '/', as the dialog keeps its program folder.
    std::string Folder() const { return path_.string() + "/"; }
    // The full path of a file in the folder.
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    // Writes a file in the folder (replacing it, making its sub-folders) and returns its full path.
    std::string Write(const std::string& name, const std::string& content) const;
    // The full paths of the backups (*.bak) in the folder.
    std::vector<std::string> Backups() const;

private:
    std::filesystem::path path_;
};

// The bytes of a file ("" when it cannot be read).
std::string Bytes(const std::string& path);

}  // namespace veltmoor::test
