#pragma once

#include <libxml/tree.h>
#include <string>
#include <string_view>

// Names compare as written in the document, prefix included ("p:Centro" is not "Centro"), and
// with letter case significant. These run once per element or attribute visited, so they work
// on libxml2's strings in place, without copying.
namespace quelvane::xml {

inline bool equalsText(std::string_view wanted, const xmlChar* text)
{
    const auto* chars = reinterpret_cast<const char*>(text);
    for (char c : wanted) {
        if (*chars == '\0' || *chars != c)
            return false;
        ++chars;
    }
    return *chars == '\0';
}

inline bool nameIs(const xmlChar* localName, const xmlNs* ns, std::string_view wanted)
{
    if (ns == nullptr || ns->prefix == nullptr)
        return equalsText(wanted, localName);
    const std::size_t colon = wanted.find(':');
    return colon != std::string_view::npos && equalsText(wanted.substr(0, colon), ns->prefix)
        && equalsText(wanted.substr(colon + 1), localName);
}

inline std::string qualifiedName(const xmlChar* localName, const xmlNs* ns)
{
    std::string name;
    if (ns != nullptr && ns->prefix != nullptr) {
        name = reinterpret_cast<const char*>(ns->prefix);
        name += ':';
    }
    if (localName != nullptr)
        name += reinterpret_cast<const char*>(localName);
    return name;
}

} // namespace quelvane::xml
