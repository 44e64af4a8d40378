#include "common/xml/Serializer.h"

#include "common/Error.h"
#include "common/xml/LibxmlBytes.h"
#include "common/xml/LibxmlErrors.h"

#include <libxml/tree.h>
#include <libxml/xmlsave.h>
#include <optional>

namespace quelvane::xml {

namespace {

int appendToBytes(void* target, const char* bytes, int length)
{
    static_cast<LibxmlBytes*>(target)->append(std::string_view(bytes, static_cast<std::size_t>(length)));
    return length;
}

std::string failure(const std::string& detail)
{
    return "No se pudo escribir el documento XML: " + detail;
}

// libxml2 writes the declaration itself only together with the encoding it converts to, so a
// declaration that names no encoding is written here, followed by a UTF-8 body; without it,
// libxml2 would turn every non-ASCII character into a character reference.
std::string declarationWithoutEncoding(const xmlDoc& doc)
{
    std::string text = "<?xml version=\"";
    text += doc.version != nullptr ? reinterpret_cast<const char*>(doc.version) : "1.0";
    text += '"';
    if (doc.standalone == 1)
        text += " standalone=\"yes\"";
    else if (doc.standalone == 0)
        text += " standalone=\"no\"";
    text += "?>\n";
    return text;
}

} // namespace

std::string serializeDocument(_xmlDoc* doc, const std::string& encoding, bool declaration)
{
    LibxmlBytes bytes;
    serializeDocument(doc, encoding, declaration, bytes);
    return std::string(bytes.view());
}

void serializeDocument(_xmlDoc* doc, const std::string& encoding, bool declaration, LibxmlBytes& bytes)
{
    const bool libxmlWritesDeclaration = declaration && !encoding.empty();
    if (declaration && encoding.empty())
        bytes.append(declarationWithoutEncoding(*doc));

    ErrorLog errors;
    ThreadErrorRedirect redirect(errors);
    const int options = libxmlWritesDeclaration ? 0 : XML_SAVE_NO_DECL;
    xmlSaveCtxtPtr save
        = xmlSaveToIO(appendToBytes, nullptr, &bytes, encoding.empty() ? "UTF-8" : encoding.c_str(), options);
    if (save == nullptr)
        throw Error(failure("la codificación " + encoding + " no está disponible"));
    const long written = xmlSaveDoc(save, doc);
    const int closed = xmlSaveClose(save);
    if (written < 0 || closed < 0) {
        const std::optional<LibxmlError> error = errors.mostTelling();
        throw Error(failure(error ? error->message : "libxml2 no dio más detalles"));
    }
}

} // namespace quelvane::xml
