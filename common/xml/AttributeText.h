#pragma once

#include "common/xml/Names.h"

#include <libxml/tree.h>
#include <string_view>

// Reading an attribute is the hottest call of a run (every loader reads several per element),
// so the usual case, an attribute whose value is one text node, is handed over in place.
namespace quelvane::xml {

inline const xmlAttr* findAttribute(const xmlNode* node, std::string_view name)
{
    if (node == nullptr || node->type != XML_ELEMENT_NODE)
        return nullptr;
    for (const xmlAttr* attribute = node->properties; attribute != nullptr; attribute = attribute->next) {
        if (nameIs(attribute->name, attribute->ns, name))
            return attribute;
    }
    return nullptr;
}

// Calls `use` with the attribute's text (empty when absent) and returns what it returns. The
// text lives only during the call.
template <typename Use> auto withAttributeText(const xmlNode* node, std::string_view name, Use use)
{
    const xmlAttr* found = findAttribute(node, name);
    if (found == nullptr || found->children == nullptr)
        return use(std::string_view());
    const xmlNode* text = found->children;
    if (text->next == nullptr && text->type == XML_TEXT_NODE) {
        const auto* content = reinterpret_cast<const char*>(text->content);
        return use(content != nullptr ? std::string_view(content) : std::string_view());
    }
    xmlChar* joined = xmlNodeListGetString(found->doc, found->children, 1);
    struct Release {
        xmlChar* text;
        ~Release() { xmlFree(text); }
    } release {joined};
    return use(joined != nullptr ? std::string_view(reinterpret_cast<const char*>(joined)) : std::string_view());
}

} // namespace quelvane::xml
