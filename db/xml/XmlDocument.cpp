#include "db/xml/XmlDocument.h"

#include <new>
#include <utility>
#include <vector>

#include "base/RegularFile.h"
#include "db/xml/XmlNodes.h"

namespace veltmoor::xml {

namespace {

// Files are parsed as fragments so that nothing at the top level is dropped
// unseen, then held to the rules of a document: exactly one root element and
// nothing else beside it but comments, processing instructions and declarations.
bool IsWellFormed(const pugi::xml_document& tree) {
    int elements = 0;
    for (pugi::xml_node child : tree.children()) {
        switch (child.type()) {
            case pugi::node_element: ++elements; break;
            case pugi::node_pcdata:
            case pugi::node_cdata: return false;
            default: break;
        }
    }
    return elements == 1;
}

class PugiDocument final : public XmlDocument {
public:
    PugiDocument() : tree_(std::make_shared<pugi::xml_document>()) {}

    bool load(const std::string& path) override {
        // A fresh tree on every load: nodes taken from the previous one keep it.
        try {
            auto tree = std::make_shared<pugi::xml_document>();
            // Only a regular file is read: a folder opens but has no size, and a
            // pipe or device could block the caller.
            std::string content, why;
            const bool ok = ReadRegularFile(path, content, why) &&
                            tree->load_buffer(content.data(), content.size(), pugi::parse_default | pugi::parse_fragment) &&
                            IsWellFormed(*tree);
            // pugixml keeps what it parsed before an error; the document must
            // then be empty, so the partial tree is dropped with the failure.
            if (!ok) tree = std::make_shared<pugi::xml_document>();
            tree_ = std::move(tree);
            return ok;
        } catch (const std::bad_alloc&) {
            throw _com_error(hr::kOutOfMemory);
        }
    }

    XmlNodeListPtr getElementsByTagName(const std::string& name) override {
        std::vector<pugi::xpath_node> found;
        const bool any = name == "*";
        // Iterative pre-order walk: document order, and no recursion depth limit
        // on deeply nested files.
        for (pugi::xml_node node = tree_->first_child(); node;) {
            if (node.type() == pugi::node_element && (any || name == node.name())) found.emplace_back(node);
            if (node.first_child()) {
                node = node.first_child();
                continue;
            }
            while (node && !node.next_sibling()) node = node.parent();
            if (node) node = node.next_sibling();
        }
        return detail::MakeNodeList(tree_, std::move(found));
    }

    XmlNodeListPtr selectNodes(const std::string& xpath) override {
        return detail::SelectNodes(tree_, pugi::xpath_node(*tree_), xpath);
    }

private:
    detail::Tree tree_;
};

}  // namespace

XmlDocumentPtr XmlDocument::Create() {
    try {
        return XmlDocumentPtr(std::make_shared<PugiDocument>());
    } catch (const std::bad_alloc&) {
        throw _com_error(hr::kOutOfMemory);
    }
}

}  // namespace veltmoor::xml
