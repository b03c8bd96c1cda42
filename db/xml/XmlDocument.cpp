// PLACEHOLDER: replaced by the pugixml implementation.
#include "db/xml/XmlDocument.h"
namespace veltmoor::xml {
XmlDocumentPtr XmlDocument::Create() { throw _com_error(hr::kNotSupported); }
}  // namespace veltmoor::xml
