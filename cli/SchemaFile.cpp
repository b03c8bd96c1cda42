#include "cli/SchemaFile.h"

#include <pugixml.hpp>

#include "base/RegularFile.h"

namespace veltmoor::cli {

std::string SchemaFileProblem(const std::string& path) {
    std::string content, why;
    if (!ReadRegularFile(path, content, why)) return why;
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer(content.data(), content.size());
    if (!parsed) return std::string("not well-formed XML: ") + parsed.description() + " at byte " +
                        std::to_string(parsed.offset);
    return {};
}

}  // namespace veltmoor::cli
