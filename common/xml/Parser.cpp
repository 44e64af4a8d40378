#include "common/xml/Parser.h"

#include "common/Error.h"
#include "common/platform/Files.h"
#include "common/xml/LibxmlErrors.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <mutex>
#include <optional>

namespace quelvane::xml {

namespace {

struct FreeParserContext {
    void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};

struct EntityDeclaration {
    std::string name;
    int line = 0;
};

// Everything one parse reports, reached from libxml2's callbacks through the context's
// _private pointer.
struct ParseReport {
    ErrorLog errors;
    std::optional<EntityDeclaration> entity;
};

ParseReport& reportOf(void* context)
{
    return *static_cast<ParseReport*>(static_cast<xmlParserCtxt*>(context)->_private);
}

void recordError(void* context, xmlErrorPtr error)
{
    if (error != nullptr)
        reportOf(context).errors.record(*error);
}

// A centre document has no use for entities, and declaring them is how a document reaches
// local files (external entities) or blows up in memory (nested expansion). The parse stops at
// the first declaration, before anything could refer to it.
void refuseEntity(void* context, const xmlChar* name)
{
    auto* parser = static_cast<xmlParserCtxt*>(context);
    ParseReport& report = reportOf(context);
    if (!report.entity)
        report.entity = EntityDeclaration {name != nullptr ? reinterpret_cast<const char*>(name) : "",
                                           parser->input != nullptr ? parser->input->line : 0};
    xmlStopParser(parser);
}

void onEntityDeclaration(void* context, const xmlChar* name, int, const xmlChar*, const xmlChar*, xmlChar*)
{
    refuseEntity(context, name);
}

void onUnparsedEntityDeclaration(void* context, const xmlChar* name, const xmlChar*, const xmlChar*, const xmlChar*)
{
    refuseEntity(context, name);
}

xmlParserInputPtr refuseExternalEntity(const char*, const char*, xmlParserCtxtPtr)
{
    return nullptr;
}

// The external entity loader is a process-wide setting of libxml2 with no per-parse
// equivalent. Every parse in this program must refuse external resources, so installing the
// refusing loader once, for the whole process, is the library's setup rather than state of
// ours; call_once makes that safe when documents are loaded from several threads.
void setUpLibxml()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(refuseExternalEntity);
    });
}

bool declaresEntities(const xmlDoc& doc)
{
    for (const xmlDtd* dtd : {doc.intSubset, doc.extSubset}) {
        if (dtd != nullptr && (dtd->entities != nullptr || dtd->pentities != nullptr))
            return true;
    }
    return false;
}

std::string notValid(const std::string& name, const std::string& detail)
{
    return "El archivo " + name + " no es un documento XML válido: " + detail;
}

std::string entityRefusal(const std::string& name, const std::optional<EntityDeclaration>& entity)
{
    std::string what = "entidades";
    if (entity && !entity->name.empty()) {
        what = "la entidad «" + entity->name + "»";
        if (entity->line > 0)
            what += " (línea " + std::to_string(entity->line) + ")";
    }
    return "El archivo " + name + " declara " + what
        + " en su DOCTYPE; un documento del centro no necesita entidades y no se carga.";
}

// The document in memory, handed to libxml2 in pieces as it would read a file: given the
// whole buffer at once, libxml2 first copies it into one of its own, and a large centre
// document would be held twice.
struct PieceReader {
    std::string_view left;
};

int readPiece(void* context, char* buffer, int length)
{
    auto& reader = *static_cast<PieceReader*>(context);
    const std::size_t count = std::min(reader.left.size(), static_cast<std::size_t>(std::max(length, 0)));
    if (count > 0)
        std::memcpy(buffer, reader.left.data(), count);
    reader.left.remove_prefix(count);
    return static_cast<int>(count);
}

int closeNothing(void*)
{
    return 0;
}

// A file handed to libxml2 as it asks for it. A failure is kept for the caller to throw, since
// nothing may be thrown through libxml2's C frames.
struct FileSource {
    platform::FileReader& reader;
    const std::function<void(std::string_view)>& seen;
    std::optional<std::string> failure;
};

int readFromFile(void* context, char* buffer, int length)
{
    auto& source = *static_cast<FileSource*>(context);
    try {
        const std::size_t count = source.reader.read(buffer, static_cast<std::size_t>(std::max(length, 0)));
        if (count > 0 && source.seen)
            source.seen(std::string_view(buffer, count));
        return static_cast<int>(count);
    } catch (const std::exception& failure) {
        source.failure = failure.what();
        return -1;
    }
}

LibxmlDocPtr parseFrom(xmlInputReadCallback read, void* source, const std::string& nameForMessages, Blanks blanks,
                       const std::function<void()>& afterReading)
{
    setUpLibxml();
    std::unique_ptr<xmlParserCtxt, FreeParserContext> parser(xmlNewParserCtxt());
    if (!parser || parser->sax == nullptr)
        throw Error("No hay memoria suficiente para leer el archivo " + nameForMessages + ".");
    ParseReport report;
    parser->_private = &report;
    parser->sax->serror = recordError;
    parser->sax->entityDecl = onEntityDeclaration;
    parser->sax->unparsedEntityDecl = onUnparsedEntityDeclaration;
    ThreadErrorRedirect redirect(report.errors);

    // Never entity substitution (NOENT) nor DTD loading or validation: they would make libxml2
    // read files named by the document. COMPACT keeps short texts, most attribute values of a
    // centre document, inside their nodes instead of one allocation each; libxml2's own tree
    // calls know such nodes, and nothing here edits a parsed text in place. NOBLANKS drops only
    // whitespace between elements, never the text of an element that has no other content.
    const int options = XML_PARSE_NONET | XML_PARSE_COMPACT | (blanks == Blanks::Drop ? XML_PARSE_NOBLANKS : 0);
    LibxmlDocPtr doc(xmlCtxtReadIO(parser.get(), read, closeNothing, source, nullptr, nullptr, options));
    afterReading();

    if (report.entity || (doc && declaresEntities(*doc)))
        throw Error(entityRefusal(nameForMessages, report.entity));
    if (!doc) {
        const std::optional<LibxmlError> error = report.errors.mostTelling();
        throw Error(notValid(nameForMessages, error ? describe(*error) : "libxml2 no dio más detalles"));
    }
    if (xmlDocGetRootElement(doc.get()) == nullptr)
        throw Error(notValid(nameForMessages, "no tiene elemento raíz"));
    return doc;
}

} // namespace

void FreeLibxmlDoc::operator()(_xmlDoc* doc) const
{
    xmlFreeDoc(doc);
}

LibxmlDocPtr parseSafely(std::string_view bytes, const std::string& nameForMessages)
{
    if (bytes.size() > static_cast<std::size_t>(INT_MAX))
        throw Error("El archivo " + nameForMessages + " es demasiado grande para leerlo como documento XML.");
    PieceReader reader {bytes};
    return parseFrom(readPiece, &reader, nameForMessages, Blanks::Keep, [] {});
}

LibxmlDocPtr parseFileSafely(const std::filesystem::path& file, const std::string& nameForMessages, Blanks blanks,
                             const std::function<void(std::string_view)>& seen)
{
    platform::FileReader reader(file);
    FileSource source {reader, seen, std::nullopt};
    // A file that could not be read whole is reported as such, not as the malformed document
    // its first part may look like.
    return parseFrom(readFromFile, &source, nameForMessages, blanks, [&source] {
        if (source.failure)
            throw Error(*source.failure);
    });
}

} // namespace quelvane::xml
