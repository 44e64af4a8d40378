#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quelvane::xml {

// Why UTF-8 text cannot be written into an XML 1.0 document (a malformed sequence, or a
// character such as U+0001 that XML 1.0 admits neither as text nor as a character reference);
// nothing when it can. libxml2 writes such text unchanged, and the saved file would then not
// load again.
std::optional<std::string> unwritableReason(std::string_view utf8);

} // namespace quelvane::xml
