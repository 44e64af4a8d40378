#include "intake/SubjectRows.h"

#include "common/WorkingTables.h"
#include "common/text/Text.h"
#include "intake/LoaderFrame.h"

namespace quelvane::intake {

namespace field = tables::field;

const std::vector<dbase::FieldDef>& asignomtFields()
{
    static const std::vector<dbase::FieldDef> fields {
        characterField(field::COD, 10),    characterField(field::CODLARGO, 10),
        characterField(field::NOMBRE, 80), characterField(field::CODTAREA, 12),
        logicalField(field::ESTAREA),      characterField(field::ABREV_GESTION, 10),
    };
    return fields;
}

void loadSubjectRows(dbase::Table& table, const std::vector<xml::Element>& elements, SubjectKind kind,
                     std::string_view loader, IntakeContext& context)
{
    if (!holdsData(elements.size()))
        return;
    for (const xml::Element& element : elements) {
        const AttributeReader attribute(element);
        const std::string code = attribute("Codigo");
        const std::string name = attribute("Denominacion");

        const SubjectShortCode shortCode = AsignarAbrev(code, kind, context.ListaAbrev, context.ListaCodigos);
        if (!shortCode.code) {
            context.summary.leftOut.push_back(
                {std::string(loader), text::toUtf8(code),
                 "el código abreviado «" + text::toUtf8(shortCode.takenCode)
                     + "» ya estaba dado a otra materia o tipo de actividad en ASIGNOMT"});
            continue;
        }

        table.append();
        table.setText(field::COD, *shortCode.code);
        table.setText(field::CODLARGO, code);
        table.setText(field::NOMBRE, name);
        table.setLogical(field::ESTAREA, kind == SubjectKind::ActivityType);
        table.setText(field::ABREV_GESTION, code);
        table.post();

        if (kind == SubjectKind::Subject)
            context.subjectShortCodes.try_emplace(code, *shortCode.code);
        if (*shortCode.code != code)
            context.summary.shortCodes.push_back(
                {std::string(tables::ASIGNOMT), text::toUtf8(code), text::toUtf8(*shortCode.code), text::toUtf8(name)});
    }
}

} // namespace quelvane::intake
