#pragma once

#include <functional>
#include <string>
#include <string_view>

struct _xmlDoc;

namespace quelvane::xml {

// The document's bytes in `encoding` (UTF-8 when empty), without added indentation. With
// `declaration` the XML declaration is written from the document's version, that encoding name
// as given and its standalone flag. Characters that the encoding lacks become character
// references. Throws quelvane::Error when libxml2 cannot write the document.
std::string serializeDocument(_xmlDoc* doc, const std::string& encoding, bool declaration);
// The same bytes, handed to `sink` in pieces as libxml2 writes them. What the sink throws ends
// the writing and is thrown again.
void serializeDocument(_xmlDoc* doc, const std::string& encoding, bool declaration,
                       const std::function<void(std::string_view)>& sink);

} // namespace quelvane::xml
