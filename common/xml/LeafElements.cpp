#include "common/xml/LeafElements.h"

#include "common/Error.h"
#include "common/xml/WritableText.h"

#include <array>
#include <climits>
#include <cstring>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <optional>

namespace quelvane::xml {

namespace {

void requireName(const std::string& name, const char* kind)
{
    if (xmlValidateName(reinterpret_cast<const xmlChar*>(name.c_str()), 0) != 0)
        throw Error("\"" + name + "\" no es un nombre de " + kind + " XML válido.");
}

// What a byte of an attribute value becomes: itself (most), a reference, or itself after the
// full check of the value (bytes below the blank or beyond ASCII may make it unwritable).
enum class ByteKind : unsigned char { Plain, Reference, Check };

constexpr std::array<ByteKind, 256> byteKinds = [] {
    std::array<ByteKind, 256> kinds {};
    for (std::size_t c = 0; c < 256; ++c)
        kinds[c] = c < 0x20 || c >= 0x80 ? ByteKind::Check : ByteKind::Plain;
    for (const unsigned char c : {'\n', '\r', '\t', '"', '<', '>', '&'})
        kinds[c] = ByteKind::Reference;
    return kinds;
}();

// As libxml2 writes an attribute value when saving in a named encoding: the markup characters
// and the white space that attribute normalisation would fold become references; all else goes
// to the encoder as it is.
std::string_view referenceFor(char c)
{
    switch (c) {
    case '\n':
        return "&#10;";
    case '\r':
        return "&#13;";
    case '\t':
        return "&#9;";
    case '"':
        return "&quot;";
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    default:
        return "&amp;";
    }
}

struct Measure {
    std::size_t escapedSize = 0;
    bool needsCheck = false;
};

Measure measure(std::string_view value)
{
    Measure m {value.size(), false};
    for (const char c : value) {
        switch (byteKinds[static_cast<unsigned char>(c)]) {
        case ByteKind::Plain:
            break;
        case ByteKind::Reference:
            m.escapedSize += referenceFor(c).size() - 1;
            break;
        case ByteKind::Check:
            m.needsCheck = true;
            break;
        }
    }
    return m;
}

char* put(char* out, std::string_view text)
{
    // An empty view may have no data at all, and memcpy from a null pointer is undefined.
    if (!text.empty())
        std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

char* putEscaped(char* out, std::string_view value, std::size_t escapedSize)
{
    if (escapedSize == value.size())
        return put(out, value);
    for (const char c : value)
        out = byteKinds[static_cast<unsigned char>(c)] == ByteKind::Reference ? put(out, referenceFor(c))
                                                                              : (*out = c, out + 1);
    return out;
}

} // namespace

LeafElements::LeafElements(std::string_view elementName, const std::vector<std::string_view>& attributeNames)
    : elementName_(elementName)
{
    requireName(elementName_, "elemento");
    for (const std::string_view name : attributeNames) {
        std::string text(name);
        requireName(text, "atributo");
        for (const std::string& earlier : attributeNames_) {
            if (earlier == text)
                throw Error("El atributo " + text + " aparece dos veces en el elemento " + elementName_ + ".");
        }
        openings_.push_back(" " + text + "=\"");
        attributeNames_.push_back(std::move(text));
    }
    escapedSizes_.resize(attributeNames_.size());
}

void LeafElements::add(std::span<const std::string_view> values)
{
    if (values.size() != attributeNames_.size())
        throw Error("El elemento " + elementName_ + " lleva " + std::to_string(attributeNames_.size())
                    + " atributos y se dieron " + std::to_string(values.size()) + " valores.");
    // Measured first, so that the element is written in one piece, or not at all.
    std::size_t total = 1 + elementName_.size() + 2;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const Measure m = measure(values[i]);
        if (m.needsCheck) {
            if (const std::optional<std::string> reason = unwritableReason(values[i]))
                throw Error("El valor del atributo " + attributeNames_[i] + " del elemento " + elementName_ + " "
                            + *reason + ".");
        }
        escapedSizes_[i] = m.escapedSize;
        total += openings_[i].size() + m.escapedSize + 1;
    }
    char* out = markup_.extend(total);
    *out++ = '<';
    out = put(out, elementName_);
    for (std::size_t i = 0; i < values.size(); ++i) {
        out = put(out, openings_[i]);
        out = putEscaped(out, values[i], escapedSizes_[i]);
        *out++ = '"';
    }
    put(out, "/>");
    ++count_;
}

void LeafElements::appendTo(Element parent)
{
    xmlNode* node = parent.node();
    if (node == nullptr || node->type != XML_ELEMENT_NODE)
        throw Error("Operación XML sobre un elemento nulo: appendTo.");
    if (count_ == 0)
        return;
    if (markup_.size() > static_cast<std::size_t>(INT_MAX))
        throw Error("Los elementos " + elementName_ + " no caben en un documento XML.");
    xmlNode* text = xmlNewDocTextLen(node->doc, nullptr, 0);
    if (text == nullptr)
        throw Error("No hay memoria suficiente para añadir los elementos " + elementName_ + ".");
    // The node takes the markup over without a copy. libxml2 writes a text node of this name as
    // it stands, through the document's encoder; it merges it with a preceding one of the same
    // name, which keeps the order.
    text->content = markup_.release();
    text->name = xmlStringTextNoenc;
    xmlAddChild(node, text);
    count_ = 0;
}

} // namespace quelvane::xml
