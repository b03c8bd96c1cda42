#include "db/xml/XmlNodes.h"

#include <new>
#include <utility>

#include "base/CString.h"

namespace veltmoor::xml::detail {

namespace {

constexpr const char* kSource = "XML document";

class PugiNode final : public XmlNode {
public:
    PugiNode(Tree tree, pugi::xpath_node node) : tree_(std::move(tree)), node_(node) {}

    XmlNodeListPtr selectNodes(const std::string& xpath) override { return SelectNodes(tree_, node_, xpath); }
    XmlAttributeMapPtr attributes() override;
    std::string text() override;

private:
    Tree tree_;
    pugi::xpath_node node_;
};

class PugiNodeList final : public XmlNodeList {
public:
    PugiNodeList(Tree tree, std::vector<pugi::xpath_node> nodes) : tree_(std::move(tree)), nodes_(std::move(nodes)) {}

    long length() override { return static_cast<long>(nodes_.size()); }
    XmlNodePtr item(long index) override {
        if (index < 0 || static_cast<std::size_t>(index) >= nodes_.size()) return nullptr;
        return XmlNodePtr(std::make_shared<PugiNode>(tree_, nodes_[static_cast<std::size_t>(index)]));
    }

private:
    Tree tree_;
    std::vector<pugi::xpath_node> nodes_;
};

// An attribute node has no attributes of its own: its map is empty, as in the DOM.
class PugiAttributeMap final : public XmlAttributeMap {
public:
    PugiAttributeMap(Tree tree, pugi::xml_node element) : tree_(std::move(tree)), element_(element) {}

    XmlNodePtr getNamedItem(const std::string& name) override {
        // pugixml compares attribute names exactly, with case, as the DOM does.
        pugi::xml_attribute attribute = element_.attribute(name.c_str());
        if (!attribute) return nullptr;
        return XmlNodePtr(std::make_shared<PugiNode>(tree_, pugi::xpath_node(attribute, element_)));
    }

private:
    Tree tree_;
    pugi::xml_node element_;
};

XmlAttributeMapPtr PugiNode::attributes() {
    return XmlAttributeMapPtr(
        std::make_shared<PugiAttributeMap>(tree_, node_.attribute() ? pugi::xml_node() : node_.node()));
}

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string PugiNode::text() {
    if (pugi::xml_attribute attribute = node_.attribute()) return attribute.value();
    pugi::xml_node node = node_.node();
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) return node.value();
    // The text of every descendant text and CDATA section, in document order, with
    // leading and trailing white space trimmed as the DOM's text property reads it
    // when white space is not preserved.
    std::string text;
    for (pugi::xml_node child = node.first_child(); child;) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) text += child.value();
        if (child.first_child()) {
            child = child.first_child();
            continue;
        }
        while (child && child != node && !child.next_sibling()) child = child.parent();
        if (!child || child == node) break;
        child = child.next_sibling();
    }
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsXmlSpace(text[begin])) ++begin;
    while (end > begin && IsXmlSpace(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

}  // namespace

XmlNodeListPtr MakeNodeList(Tree tree, std::vector<pugi::xpath_node> nodes) {
    return XmlNodeListPtr(std::make_shared<PugiNodeList>(std::move(tree), std::move(nodes)));
}

XmlNodeListPtr SelectNodes(const Tree& tree, const pugi::xpath_node& context, const std::string& xpath) {
    try {
        pugi::xpath_query query(xpath.c_str());
        if (!query) {
            const pugi::xpath_parse_result& result = query.result();
            throw _com_error(hr::kInvalidArg, kSource,
                             Format("Invalid XPath expression '%s': %s at position %ld", xpath.c_str(),
                                    result.description(), static_cast<long>(result.offset)));
        }
        if (query.return_type() != pugi::xpath_type_node_set) {
            throw _com_error(hr::kInvalidArg, kSource,
                             Format("XPath expression '%s' does not select nodes", xpath.c_str()));
        }
        pugi::xpath_node_set selected = query.evaluate_node_set(context);
        selected.sort();
        return MakeNodeList(tree, std::vector<pugi::xpath_node>(selected.begin(), selected.end()));
    } catch (const pugi::xpath_exception& e) {
        throw _com_error(hr::kInvalidArg, kSource,
                         Format("Invalid XPath expression '%s': %s", xpath.c_str(), e.what()));
    } catch (const std::bad_alloc&) {
        throw _com_error(hr::kOutOfMemory);
    }
}

}  // namespace veltmoor::xml::detail
