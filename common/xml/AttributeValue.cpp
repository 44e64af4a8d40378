#include "common/xml/AttributeValue.h"

#include "common/text/Text.h"
#include "common/xml/AttributeText.h"

namespace quelvane::xml {

std::string attributeValue(const Element& element, std::string_view name)
{
    return withAttributeText(element.node(), name,
                             [](std::string_view text) { return text::toCp1252(text::trimControls(text)); });
}

} // namespace quelvane::xml
