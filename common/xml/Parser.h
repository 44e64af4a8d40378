#pragma once

#include <memory>
#include <string>
#include <string_view>

struct _xmlDoc;

namespace quelvane::xml {

struct FreeLibxmlDoc {
    void operator()(_xmlDoc* doc) const;
};
using LibxmlDocPtr = std::unique_ptr<_xmlDoc, FreeLibxmlDoc>;

// Parses a whole document held in memory without reading anything else: no external entity,
// no DTD, no network. Refuses a document whose DOCTYPE declares entities. Throws
// quelvane::Error whose message names `nameForMessages` and, where libxml2 gives them, the
// line and column.
LibxmlDocPtr parseSafely(std::string_view bytes, const std::string& nameForMessages);

} // namespace quelvane::xml
