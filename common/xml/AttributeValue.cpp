#include "common/xml/AttributeValue.h"

#include "common/text/Text.h"

namespace quelvane::xml {

std::string attributeValue(const Element& element, std::string_view name)
{
    return text::toCp1252(text::trimControls(element.attribute(name)));
}

} // namespace quelvane::xml
