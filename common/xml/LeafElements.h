#pragma once

#include "common/xml/Document.h"
#include "common/xml/LibxmlBytes.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Childless elements that all carry the same attributes in the same order, appended to one
// parent in bulk: the timetable document's tens of thousands of actividad elements. As nodes
// each attribute would cost libxml2 three allocations and a walk at saving; here they are held
// as the UTF-8 markup that saving writes for such elements, escaped the way libxml2 escapes
// attribute values, and saving passes it through the same encoder as the rest of the document.
// The saved bytes are those of the same elements made one by one with createElement and
// setAttribute, in every encoding. Once appended, they are in the saved document only:
// selectNodes does not see them.
namespace quelvane::xml {

class LeafElements {
public:
    // Throws quelvane::Error when a name is not a valid XML name or an attribute name repeats.
    LeafElements(std::string_view elementName, const std::vector<std::string_view>& attributeNames);

    // One more element; the values (UTF-8) go with the attribute names given at construction,
    // in that order. Throws quelvane::Error, adding nothing, when a value cannot be written into
    // XML (the message names the attribute, as Element::setAttribute's does).
    void add(std::span<const std::string_view> values);

    std::size_t size() const { return count_; }

    // Appends the elements added so far after the children of `parent`, and starts empty again.
    void appendTo(Element parent);

private:
    std::string elementName_;
    std::vector<std::string> attributeNames_;
    std::vector<std::string> openings_; // ` name="` for each attribute
    std::vector<std::size_t> escapedSizes_; // of the values of the element being added
    LibxmlBytes markup_;
    std::size_t count_ = 0;
};

} // namespace quelvane::xml
