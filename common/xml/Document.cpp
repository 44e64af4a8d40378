#include "common/xml/Document.h"

#include "common/Error.h"
#include "common/platform/Files.h"
#include "common/xml/AttributeText.h"
#include "common/xml/Names.h"
#include "common/xml/Parser.h"
#include "common/xml/Serializer.h"
#include "common/xml/WritableText.h"

#include <cstdint>
#include <libxml/tree.h>

namespace quelvane::xml {

namespace {

std::string shown(const std::filesystem::path& file)
{
    return file.string();
}

bool isElement(const xmlNode* node)
{
    return node != nullptr && node->type == XML_ELEMENT_NODE;
}

void requireElement(const xmlNode* node, const char* operation)
{
    if (!isElement(node))
        throw Error(std::string("Operación XML sobre un elemento nulo: ") + operation + ".");
}

// Elements made by createElement wait under this fragment until they are appended, so that
// the document frees those never used. It hangs from the document's _private pointer, which
// libxml2 leaves to the application, and is freed just before the document.
xmlNode* holderOf(xmlDoc* doc)
{
    if (doc->_private == nullptr) {
        doc->_private = xmlNewDocFragment(doc);
        if (doc->_private == nullptr)
            throw Error("No hay memoria suficiente para crear el elemento XML.");
    }
    return static_cast<xmlNode*>(doc->_private);
}

// Document order: a match's descendants come before its next sibling's. Stops once `found`
// holds `limit` elements.
void collect(xmlNode* parent, const std::vector<std::string_view>& steps, std::size_t depth, std::size_t limit,
             std::vector<Element>& found)
{
    const std::string_view step = steps[depth];
    const bool last = depth + 1 == steps.size();
    for (xmlNode* child = parent->children; child != nullptr && found.size() < limit; child = child->next) {
        if (!isElement(child) || !nameIs(child->name, child->ns, step))
            continue;
        if (last)
            found.emplace_back(child);
        else
            collect(child, steps, depth + 1, limit, found);
    }
}

std::vector<std::string_view> stepsOf(std::string_view absolutePath)
{
    std::vector<std::string_view> steps;
    if (absolutePath.size() > 1 && absolutePath.front() == '/') {
        std::size_t begin = 1;
        while (true) {
            const std::size_t end = absolutePath.find('/', begin);
            const std::string_view step = absolutePath.substr(begin, end - begin);
            if (step.empty())
                break;
            steps.push_back(step);
            if (end == std::string_view::npos)
                return steps;
            begin = end + 1;
        }
    }
    throw Error("La ruta XML \"" + std::string(absolutePath)
                + "\" no es una ruta absoluta de nombres de elemento como \"/Centro/Materias/Materia\".");
}

std::vector<Element> select(xmlDoc* doc, std::string_view absolutePath, std::size_t limit)
{
    const std::vector<std::string_view> steps = stepsOf(absolutePath);
    std::vector<Element> found;
    xmlNode* root = xmlDocGetRootElement(doc);
    if (root == nullptr || !nameIs(root->name, root->ns, steps.front()))
        return found;
    if (steps.size() == 1)
        found.emplace_back(root);
    else
        collect(root, steps, 1, limit, found);
    return found;
}

} // namespace

std::string Element::name() const
{
    if (node_ == nullptr)
        return {};
    return qualifiedName(node_->name, node_->ns);
}

std::string Element::attribute(std::string_view name) const
{
    return withAttributeText(node_, name, [](std::string_view text) { return std::string(text); });
}

bool Element::hasAttribute(std::string_view name) const
{
    return findAttribute(node_, name) != nullptr;
}

void Element::setAttribute(std::string_view name, std::string_view value)
{
    requireElement(node_, "setAttribute");
    const std::string nameText(name);
    if (xmlValidateName(reinterpret_cast<const xmlChar*>(nameText.c_str()), 0) != 0)
        throw Error("\"" + nameText + "\" no es un nombre de atributo XML válido.");
    if (const std::optional<std::string> reason = unwritableReason(value))
        throw Error("El valor del atributo " + nameText + " del elemento " + this->name() + " " + *reason + ".");
    const std::string valueText(value);
    // No namespace: the attribute is found and replaced by its whole name, or appended last.
    if (xmlSetNsProp(node_, nullptr, reinterpret_cast<const xmlChar*>(nameText.c_str()),
                     reinterpret_cast<const xmlChar*>(valueText.c_str()))
        == nullptr)
        throw Error("No se pudo poner el atributo " + nameText + " al elemento " + this->name() + ".");
}

Element Element::parent() const
{
    if (node_ == nullptr || !isElement(node_->parent))
        return Element();
    return Element(node_->parent);
}

namespace {

Element elementFrom(xmlNode* node, std::string_view name)
{
    for (; node != nullptr; node = node->next)
        if (isElement(node) && nameIs(node->name, node->ns, name))
            return Element(node);
    return Element();
}

} // namespace

Element Element::firstChild(std::string_view name) const
{
    return isElement(node_) ? elementFrom(node_->children, name) : Element();
}

Element Element::nextSibling(std::string_view name) const
{
    return isElement(node_) ? elementFrom(node_->next, name) : Element();
}

void Element::appendChild(Element child)
{
    requireElement(node_, "appendChild");
    requireElement(child.node_, "appendChild");
    if (child.node_->doc != node_->doc)
        throw Error("El elemento " + child.name() + " pertenece a otro documento XML.");
    for (const xmlNode* ancestor = node_; ancestor != nullptr; ancestor = ancestor->parent) {
        if (ancestor == child.node_)
            throw Error("El elemento " + child.name() + " no puede colocarse dentro de sí mismo.");
    }
    xmlUnlinkNode(child.node_);
    xmlAddChild(node_, child.node_);
}

void Document::Deleter::operator()(_xmlDoc* doc) const
{
    if (doc == nullptr)
        return;
    if (doc->_private != nullptr)
        xmlFreeNode(static_cast<xmlNode*>(doc->_private));
    doc->_private = nullptr;
    xmlFreeDoc(doc);
}

Document::Document()
    : doc_(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")))
{
    if (!doc_)
        throw Error("No hay memoria suficiente para crear un documento XML.");
}

Document::Document(_xmlDoc* doc)
    : doc_(doc)
{
}

Document::~Document() = default;
Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&&) noexcept = default;

Document Document::load(const std::filesystem::path& file)
{
    return Document(parseFileSafely(file, shown(file), Blanks::Keep, {}).release());
}

Document Document::loadForReading(const std::filesystem::path& file, const std::function<void(std::string_view)>& seen)
{
    return Document(parseFileSafely(file, shown(file), Blanks::Drop, seen).release());
}

Document Document::parse(std::string_view bytes, const std::string& nameForMessages)
{
    return Document(parseSafely(bytes, nameForMessages).release());
}

std::vector<Element> Document::selectNodes(std::string_view absolutePath) const
{
    return select(doc_.get(), absolutePath, SIZE_MAX);
}

Element Document::selectSingleNode(std::string_view absolutePath) const
{
    const std::vector<Element> found = select(doc_.get(), absolutePath, 1);
    return found.empty() ? Element() : found.front();
}

Element Document::documentElement() const
{
    return Element(xmlDocGetRootElement(doc_.get()));
}

void Document::removeDocumentElement()
{
    xmlNode* root = xmlDocGetRootElement(doc_.get());
    if (root == nullptr)
        return;
    xmlUnlinkNode(root);
    xmlFreeNode(root);
}

void Document::appendDocumentElement(Element element)
{
    requireElement(element.node(), "appendDocumentElement");
    if (element.node()->doc != doc_.get())
        throw Error("El elemento " + element.name() + " pertenece a otro documento XML.");
    if (xmlDocGetRootElement(doc_.get()) != nullptr)
        throw Error("El documento XML ya tiene elemento raíz; no se puede añadir " + element.name() + ".");
    xmlUnlinkNode(element.node());
    xmlAddChild(reinterpret_cast<xmlNode*>(doc_.get()), element.node());
}

Element Document::createElement(std::string_view name)
{
    const std::string nameText(name);
    if (xmlValidateName(reinterpret_cast<const xmlChar*>(nameText.c_str()), 0) != 0)
        throw Error("\"" + nameText + "\" no es un nombre de elemento XML válido.");
    xmlNode* node = xmlNewDocNode(doc_.get(), nullptr, reinterpret_cast<const xmlChar*>(nameText.c_str()), nullptr);
    if (node == nullptr)
        throw Error("No hay memoria suficiente para crear el elemento XML " + nameText + ".");
    xmlAddChild(holderOf(doc_.get()), node);
    return Element(node);
}

std::string Document::serialize() const
{
    // A document parsed without an XML declaration, or made empty here, has standalone -1.
    return serializeDocument(doc_.get(), declaredEncoding(), doc_->standalone != -1);
}

void Document::save(const std::filesystem::path& file) const
{
    // Written in pieces of a megabyte or so: a large timetable document is never whole in
    // memory, and a small one is one write, as with atomicWriteFile.
    constexpr std::size_t piece = 1 << 20;
    platform::AtomicFileWriter writer(file);
    std::string pending;
    pending.reserve(piece);
    serializeDocument(doc_.get(), declaredEncoding(), doc_->standalone != -1, [&](std::string_view bytes) {
        pending.append(bytes);
        if (pending.size() >= piece) {
            writer.write(pending);
            pending.clear();
        }
    });
    writer.write(pending);
    writer.commit();
}

std::string Document::declaredEncoding() const
{
    if (doc_->standalone == -1 || doc_->encoding == nullptr)
        return {};
    return reinterpret_cast<const char*>(doc_->encoding);
}

} // namespace quelvane::xml
