#include "schema/Description.h"

namespace veltmoor::schema {

bool ReadAttribute(const xml::XmlNodePtr& element, const char* name, CString& text) {
    const xml::XmlNodePtr attribute = element->attributes()->getNamedItem(name);
    if (!attribute) return false;
    text = attribute->text();
    return true;
}

CString AttributeText(const xml::XmlNodePtr& element, const char* name) {
    CString text;
    ReadAttribute(element, name, text);
    return text;
}

bool HasText(const xml::XmlNodePtr& element, const char* name, CString& text) {
    CString value;
    if (!ReadAttribute(element, name, value) || value.empty()) return false;
    text = std::move(value);
    return true;
}

}  // namespace veltmoor::schema
