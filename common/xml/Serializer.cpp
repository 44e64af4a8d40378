#include "common/xml/Serializer.h"

#include "common/Error.h"
#include "common/xml/LibxmlBytes.h"
#include "common/xml/LibxmlErrors.h"

#include <exception>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>
#include <optional>

namespace quelvane::xml {

namespace {

// libxml2 is C: what the sink throws is kept here and thrown again once libxml2 has returned,
// and libxml2 is told that the write failed.
struct SinkCall {
    const std::function<void(std::string_view)>& sink;
    std::exception_ptr failure;
};

int writeToSink(void* target, const char* bytes, int length)
{
    auto& call = *static_cast<SinkCall*>(target);
    try {
        call.sink(std::string_view(bytes, static_cast<std::size_t>(length)));
        return length;
    } catch (...) {
        if (!call.failure)
            call.failure = std::current_exception();
        return -1;
    }
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
    serializeDocument(doc, encoding, declaration, [&bytes](std::string_view piece) { bytes.append(piece); });
    return std::string(bytes.view());
}

void serializeDocument(_xmlDoc* doc, const std::string& encoding, bool declaration,
                       const std::function<void(std::string_view)>& sink)
{
    const bool libxmlWritesDeclaration = declaration && !encoding.empty();
    if (declaration && encoding.empty())
        sink(declarationWithoutEncoding(*doc));

    ErrorLog errors;
    ThreadErrorRedirect redirect(errors);
    const int options = libxmlWritesDeclaration ? 0 : XML_SAVE_NO_DECL;
    SinkCall call {sink, nullptr};
    xmlSaveCtxtPtr save
        = xmlSaveToIO(writeToSink, nullptr, &call, encoding.empty() ? "UTF-8" : encoding.c_str(), options);
    if (save == nullptr)
        throw Error(failure("la codificación " + encoding + " no está disponible"));
    const long written = xmlSaveDoc(save, doc);
    const int closed = xmlSaveClose(save);
    if (call.failure)
        std::rethrow_exception(call.failure);
    if (written < 0 || closed < 0) {
        const std::optional<LibxmlError> error = errors.mostTelling();
        throw Error(failure(error ? error->message : "libxml2 no dio más detalles"));
    }
}

} // namespace quelvane::xml
