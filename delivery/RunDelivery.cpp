#include "common/Error.h"
#include "common/WorkingTables.h"
#include "common/dbase/Table.h"
#include "common/platform/RegionalTime.h"
#include "common/text/Text.h"
#include "common/xml/AttributeValue.h"
#include "common/xml/Document.h"
#include "delivery/CodeBook.h"
#include "delivery/Delivery.h"
#include "delivery/EscribirActividades.h"
#include "delivery/PathText.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <system_error>

namespace quelvane::delivery {

namespace fs = std::filesystem;

namespace {

namespace field = tables::field;

constexpr std::string_view missingInputMessage = "No existe archivo XML o Solución.";

bool fileExists(const fs::path& file)
{
    std::error_code ignored;
    return !file.empty() && fs::is_regular_file(file, ignored);
}

// The seven tables of a run, opened in this order and closed in the same order. Nothing is read
// from ASIGT; it is held with the others so that the host cannot use the working tables mid-run.
struct DeliveryTables {
    dbase::Table soluc;
    dbase::Table grupos;
    dbase::Table profesores;
    dbase::Table aulas;
    dbase::Table asignaturas;
    dbase::Table tramos;
    dbase::Table asig;

    void close()
    {
        soluc.close();
        grupos.close();
        profesores.close();
        aulas.close();
        asignaturas.close();
        tramos.close();
        asig.close();
    }
};

DeliveryTables openTables(const fs::path& folder)
{
    const auto open = [&folder](std::string_view name) { return dbase::Table::open(dbase::tableFile(folder, name)); };
    // A braced list is evaluated left to right: the opening order is the listed one, and the
    // tables opened before a failing one are closed again by their destructors.
    return DeliveryTables {open(tables::SOLUC),    open(tables::GRUPOST),    open(tables::PROFT), open(tables::AULAT),
                           open(tables::ASIGNOMT), open(tables::DIASHORAST), open(tables::ASIGT)};
}

// Checked before the document is touched, so that a table of the wrong shape stops the run
// with a message naming what is missing rather than half way through the rows.
void requireFields(const dbase::Table& table, std::initializer_list<std::string_view> names)
{
    for (std::string_view name : names) {
        if (!table.hasField(name)) {
            throw Error("La tabla " + table.name() + " no tiene el campo " + std::string(name)
                        + ", que la entrega de horarios necesita.");
        }
    }
}

void requireFields(const DeliveryTables& t)
{
    requireFields(t.soluc,
                  {field::ASIG, field::TAREA, field::DIA, field::HORA, field::CODGRUPO, field::PROF, field::AULA});
    requireFields(t.grupos, {field::ABREV});
    requireFields(t.profesores, {field::ABREV});
    requireFields(t.aulas, {field::ABREV, field::ABREV_GESTION});
    requireFields(t.asignaturas, {field::COD, field::ABREV_GESTION});
    requireFields(t.tramos, {field::DIHO, field::HORADESDE, field::HORAHASTA});
}

xml::Element centreRoot(const xml::Document& document, const fs::path& file)
{
    const xml::Element root = document.documentElement();
    if (root.isNull())
        throw Error("El documento " + pathText(file) + " no tiene elemento raíz.");
    if (root.name() != "Centro") {
        throw Error("El documento " + pathText(file) + " no es un documento del centro: su elemento raíz es «"
                    + root.name() + "» y debería ser «Centro».");
    }
    return root;
}

// The header value as intake would have stored it: trimmed and passed through Windows-1252,
// so that a character the tables cannot hold comes back as "?" here too.
std::string headerValue(const xml::Element& root, std::string_view name)
{
    return text::toUtf8(xml::attributeValue(root, name));
}

} // namespace

fs::path outputPathFor(const fs::path& centreDocument)
{
    fs::path name("ResultadoVortimo");
    name += centreDocument.filename();
    return centreDocument.parent_path() / name;
}

DeliverySummary runDelivery(const fs::path& centreDocument, const fs::path& workingFolder, std::time_t now)
{
    if (!fileExists(centreDocument) || !fileExists(dbase::tableFile(workingFolder, tables::SOLUC)))
        throw MissingInput(std::string(missingInputMessage));

    DeliveryTables tables = openTables(workingFolder);
    requireFields(tables);

    xml::Document document = xml::Document::load(centreDocument);
    const xml::Element oldRoot = centreRoot(document, centreDocument);
    const std::string codigo = headerValue(oldRoot, "Codigo");
    const std::string nombre = headerValue(oldRoot, "Nombre");
    const std::string cursoEscolar = headerValue(oldRoot, "CursoEscolar");
    const std::string version = headerValue(oldRoot, "Version");
    const CodeBook codes = CodeBook::fromCentreDocument(document);

    // Only the header survives: every collection of the centre document goes with the old root,
    // while the declaration, comments and processing instructions around it stay.
    document.removeDocumentElement();
    xml::Element centro = document.createElement("Centro");
    document.appendDocumentElement(centro);
    centro.setAttribute("Codigo", codigo);
    centro.setAttribute("Nombre", nombre);
    centro.setAttribute("CursoEscolar", cursoEscolar);
    centro.setAttribute("FechaExportacion", platform::regionalDateTime(now));
    centro.setAttribute("Version", version);
    xml::Element horario = document.createElement("horario");
    centro.appendChild(horario);

    DeliverySummary summary = EscribirActividades(ActivityTables {tables.soluc, tables.grupos, tables.profesores,
                                                                  tables.aulas, tables.asignaturas, tables.tramos},
                                                  codes, horario);
    tables.close();

    summary.outputFile = outputPathFor(centreDocument);
    document.save(summary.outputFile);
    return summary;
}

} // namespace quelvane::delivery
