#pragma once

#include <filesystem>
#include <functional>
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

// Whether the whitespace-only text between elements becomes nodes of the tree.
enum class Blanks { Keep, Drop };

// The same for a file, read in pieces as the parser goes, never whole in memory; `seen`, when
// given, is shown every piece read, in order (to take the file's digest from the very bytes
// parsed). A failure to read throws quelvane::Error naming the file.
LibxmlDocPtr parseFileSafely(const std::filesystem::path& file, const std::string& nameForMessages, Blanks blanks,
                             const std::function<void(std::string_view)>& seen);

} // namespace quelvane::xml
