#include "tests/support/TempDir.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace veltmoor::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "veltmoor-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder from " + pattern);
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::Write(const std::string& name, const std::string& content) const {
    const std::string file = File(name);
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + file);
    return file;
}

std::vector<std::string> TempDir::Backups() const {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
        if (entry.path().extension() == ".bak") files.push_back(entry.path().string());
    return files;
}

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace veltmoor::test
