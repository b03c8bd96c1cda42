// The narrow XML document interface (the DOM operations the program needs) over
// pugixml. A missing, unreadable or malformed file loads as an empty document and
// raises nothing; other failures raise _com_error.
#pragma once

#include <memory>
#include <string>

#include "db/ado/ComPtr.h"

namespace veltmoor::xml {

class XmlDocument;
class XmlNode;
class XmlNodeList;
class XmlAttributeMap;
using XmlDocumentPtr = ComPtr<XmlDocument>;
using XmlNodePtr = ComPtr<XmlNode>;
using XmlNodeListPtr = ComPtr<XmlNodeList>;
using XmlAttributeMapPtr = ComPtr<XmlAttributeMap>;

// A loaded document. Nodes and lists taken from it keep it alive.
class XmlDocument {
public:
    static XmlDocumentPtr Create();  // an empty document
    virtual ~XmlDocument() = default;
    // Parses the file; returns whether it succeeded (callers need not look).
    // On failure the document is left empty.
    virtual bool load(const std::string& path) = 0;
    // Every element of that name, at any depth, in document order.
    virtual XmlNodeListPtr getElementsByTagName(const std::string& name) = 0;
    // The nodes an XPath expression selects from the document, in document order.
    virtual XmlNodeListPtr selectNodes(const std::string& xpath) = 0;
};

// An element or attribute node.
class XmlNode {
public:
    virtual ~XmlNode() = default;
    // XPath relative to this node ("COLUMN" selects child elements of that name).
    virtual XmlNodeListPtr selectNodes(const std::string& xpath) = 0;
    virtual XmlAttributeMapPtr attributes() = 0;
    // Text content; for an attribute, its value.
    virtual std::string text() = 0;
};

class XmlNodeList {
public:
    virtual ~XmlNodeList() = default;
    virtual long length() = 0;
    // The node at that position, or an empty reference out of range.
    virtual XmlNodePtr item(long index) = 0;
};

class XmlAttributeMap {
public:
    virtual ~XmlAttributeMap() = default;
    // The attribute node, or an empty reference when the attribute is absent.
    virtual XmlNodePtr getNamedItem(const std::string& name) = 0;
};

}  // namespace veltmoor::xml
