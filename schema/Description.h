// Reading the schema description (tables.xml) element by element: attribute texts
// as the table check and the repairs read them. XML failures raise _com_error.
#pragma once

#include "base/CString.h"
#include "db/xml/XmlDocument.h"

namespace veltmoor::schema {

// The attribute's text, or the empty string when the element lacks it.
CString AttributeText(const xml::XmlNodePtr& element, const char* name);

// True when the attribute exists, and then its text in text (which may be empty).
bool ReadAttribute(const xml::XmlNodePtr& element, const char* name, CString& text);

// True when the attribute exists with a text that is not empty (the check's notion
// of a present name or flag).
bool HasText(const xml::XmlNodePtr& element, const char* name, CString& text);

}  // namespace veltmoor::schema
