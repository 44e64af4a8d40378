#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The XML document both directions work on: a small DOM over libxml2 that loads without ever
// reading anything beyond the file itself, selects by absolute path and saves in the encoding
// that the document declares. All text crossing this interface is UTF-8.

struct _xmlNode;
struct _xmlDoc;

namespace quelvane::xml {

class Document;

// A non-owning handle to an element; valid while its document lives and the element is in it.
class Element {
public:
    Element() = default;
    explicit Element(_xmlNode* node)
        : node_(node)
    {
    }

    bool isNull() const { return node_ == nullptr; }
    std::string name() const;

    // The attribute's text as written (entities resolved, not trimmed); empty text when the
    // element has no attribute of that name. The name's letter case is significant.
    std::string attribute(std::string_view name) const;
    bool hasAttribute(std::string_view name) const;

    // Adds the attribute after those already set (or replaces the value of one of that name).
    void setAttribute(std::string_view name, std::string_view value);

    // The enclosing element; a null element at the top.
    Element parent() const;
    // The first child element of that name, and the next sibling element of that name: a walk
    // over the children without a list of them. A null element when there is none.
    Element firstChild(std::string_view name) const;
    Element nextSibling(std::string_view name) const;
    void appendChild(Element child);

    _xmlNode* node() const { return node_; }

private:
    _xmlNode* node_ = nullptr;
};

class Document {
public:
    // An empty document, without declaration or root.
    Document();
    ~Document();
    Document(Document&&) noexcept;
    Document& operator=(Document&&) noexcept;

    // Reads the file and parses it. Throws quelvane::Error naming the file, and line and column
    // where the parser gives them, when it is not well-formed, when its DOCTYPE declares
    // entities, or when it cannot be read. External entities and DTDs are never read.
    static Document load(const std::filesystem::path& file);
    // load() for a reader of elements and attributes only, which never saves the document: the
    // whitespace between elements, which such a reader never looks at, is not kept (fewer nodes
    // to make and free in a large document). `seen`, when given, is shown every piece of the
    // file as it is read, in order.
    static Document loadForReading(const std::filesystem::path& file,
                                   const std::function<void(std::string_view)>& seen = {});
    static Document parse(std::string_view bytes, const std::string& nameForMessages);

    // The elements that an absolute path such as "/Centro/Materias/Materia" names, in document
    // order; empty when nothing matches.
    std::vector<Element> selectNodes(std::string_view absolutePath) const;
    // The first of them, or a null element.
    Element selectSingleNode(std::string_view absolutePath) const;

    // The root element, or a null element.
    Element documentElement() const;
    // Removes the root element with all it holds; other document-level nodes stay.
    void removeDocumentElement();
    // Appends an element as the last child of the document: it becomes the root.
    void appendDocumentElement(Element element);

    // A new element in no namespace, not yet part of the tree.
    Element createElement(std::string_view name);

    // The document's bytes in the encoding that its declaration names (UTF-8 when it has
    // none), with the declaration and the document-level comments and processing instructions.
    std::string serialize() const;
    // serialize(), then written through an atomic replace: the file is complete or unchanged.
    void save(const std::filesystem::path& file) const;

    // The encoding named by the XML declaration as written there; empty when there is none.
    std::string declaredEncoding() const;

private:
    struct Deleter {
        void operator()(_xmlDoc* doc) const;
    };
    explicit Document(_xmlDoc* doc);
    std::unique_ptr<_xmlDoc, Deleter> doc_;
};

} // namespace quelvane::xml
