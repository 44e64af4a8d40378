#pragma once

#include <string>

struct _xmlDoc;

namespace quelvane::xml {

class LibxmlBytes;

// The document's bytes in `encoding` (UTF-8 when empty), without added indentation. With
// `declaration` the XML declaration is written from the document's version, that encoding name
// as given and its standalone flag. Characters that the encoding lacks become character
// references. Throws quelvane::Error when libxml2 cannot write the document.
std::string serializeDocument(_xmlDoc* doc, const std::string& encoding, bool declaration);
// The same bytes, appended to `out`.
void serializeDocument(_xmlDoc* doc, const std::string& encoding, bool declaration, LibxmlBytes& out);

} // namespace quelvane::xml
