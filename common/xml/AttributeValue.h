#pragma once

#include "common/xml/Document.h"

#include <string>
#include <string_view>

namespace quelvane::xml {

// The value of a named attribute as the working tables take it: trimmed of every character at
// or below the blank at both ends, then converted to Windows-1252 ("?" for what 1252 lacks).
// A missing attribute reads as empty text.
std::string attributeValue(const Element& element, std::string_view name);

} // namespace quelvane::xml
