#include "common/WorkingTables.h"
#include "common/text/Text.h"
#include "intake/AsignarAbrev.h"
#include "intake/IntakeContext.h"
#include "intake/LoaderFrame.h"

#include <string>

namespace quelvane::intake {

namespace field = tables::field;

namespace {

// EDIFICIO and MAXALUM belong to the host: created empty, never written here.
const std::vector<dbase::FieldDef>& aulatFields()
{
    static const std::vector<dbase::FieldDef> fields {
        characterField(field::ABREV, 10), characterField(field::NOMBRE, 80),        characterField(field::EDIFICIO, 1),
        integerField(field::MAXALUM),     characterField(field::ABREV_GESTION, 20),
    };
    return fields;
}

} // namespace

void CargarAulas(IntakeContext& context)
{
    dbase::Table table = createLoaderTable(context.folder, tables::AULAT, aulatFields());
    const std::vector<xml::Element> rooms = context.DocXML.selectNodes("/Centro/Aulas/Aula");
    if (holdsData(rooms.size())) {
        UsedKeyList used;
        for (const xml::Element& room : rooms) {
            const AttributeReader attribute(room);
            const std::string name = attribute("Denominacion");
            const std::string code = attribute("Codigo");
            // A room without a code is keyed by its name, as it stands (a blank in tenth place stays).
            const std::string source = code.empty() ? std::string(text::first(name, 10)) : code;

            const std::string shortCode = AsignarAbrev(source, used, LongKeys::Shortened);
            table.append();
            table.setText(field::ABREV, shortCode);
            table.setText(field::NOMBRE, name);
            table.setText(field::ABREV_GESTION, code);
            table.post();

            if (shortCode != code)
                context.summary.shortCodes.push_back(
                    {std::string(tables::AULAT), text::toUtf8(code), text::toUtf8(shortCode), text::toUtf8(name)});
        }
    }
    closeLoaderTable(context, table);
}

} // namespace quelvane::intake
