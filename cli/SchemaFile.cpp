#include "cli/SchemaFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <pugixml.hpp>

namespace veltmoor::cli {

std::string SchemaFileProblem(const std::string& path) {
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) return std::strerror(EISDIR);
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) std::fclose(file);
    else return std::strerror(errno);
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_file(path.c_str());
    if (!parsed) return std::string("not well-formed XML: ") + parsed.description() + " at byte " +
                        std::to_string(parsed.offset);
    return {};
}

}  // namespace veltmoor::cli
