// The pugixml-backed node, node list and attribute map behind XmlDocument.
// Each holds a shared reference to the parsed tree it points into, so a node or
// list stays valid after the document object is released or loads another file.
#pragma once

#include <memory>
#include <vector>

#include <pugixml.hpp>

#include "db/xml/XmlDocument.h"

namespace veltmoor::xml::detail {

using Tree = std::shared_ptr<const pugi::xml_document>;

// The nodes an XPath expression selects from `context`, in document order.
// A malformed expression, or one that yields no node set, raises _com_error.
XmlNodeListPtr SelectNodes(const Tree& tree, const pugi::xpath_node& context, const std::string& xpath);

// A list over nodes already collected, in the order given.
XmlNodeListPtr MakeNodeList(Tree tree, std::vector<pugi::xpath_node> nodes);

}  // namespace veltmoor::xml::detail
