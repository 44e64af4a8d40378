#include "common/WorkingTables.h"
#include "common/text/Text.h"
#include "intake/AsignarAbrev.h"
#include "intake/IntakeContext.h"
#include "intake/LoaderFrame.h"

#include <string>
#include <unordered_map>

namespace quelvane::intake {

namespace field = tables::field;

namespace {

const std::vector<dbase::FieldDef>& proftFields()
{
    static const std::vector<dbase::FieldDef> fields {
        characterField(field::ABREV, 10),
        characterField(field::NOMBRE, 80),
        characterField(field::DEPART, 40),
    };
    return fields;
}

// Department code to the name of the first department in document order that carries it.
std::unordered_map<std::string, std::string> departmentNames(const xml::Document& document)
{
    std::unordered_map<std::string, std::string> names;
    const std::vector<xml::Element> departments = document.selectNodes("/Centro/Departamentos/Departamento");
    if (!holdsData(departments.size()))
        return names;
    for (const xml::Element& department : departments) {
        const AttributeReader attribute(department);
        names.try_emplace(attribute("Codigo"), attribute("Denominacion"));
    }
    return names;
}

} // namespace

void CargarProfesores(IntakeContext& context)
{
    dbase::Table table = createLoaderTable(context.folder, tables::PROFT, proftFields());
    const std::vector<xml::Element> teachers = context.DocXML.selectNodes("/Centro/Profesores/Profesor");
    if (holdsData(teachers.size())) {
        const auto departments = departmentNames(context.DocXML);
        UsedKeyList used;
        for (const xml::Element& teacher : teachers) {
            const AttributeReader attribute(teacher);
            const std::string code = attribute("Codigo");
            const std::string fullName
                = attribute("Nombre") + ", " + attribute("Apellido1") + " " + attribute("Apellido2");

            std::string department = attribute("CodigoDep");
            if (!department.empty()) {
                if (const auto found = departments.find(department); found != departments.end())
                    department = found->second;
            }

            // Teachers' keys are not shortened: the list keeps the whole key and the table cuts it.
            const std::string shortCode = AsignarAbrev(code, used, LongKeys::Kept);
            table.append();
            table.setText(field::ABREV, shortCode);
            table.setText(field::NOMBRE, fullName);
            table.setText(field::DEPART, department);
            table.post();

            const std::string_view stored = text::first(shortCode, 10);
            if (stored != code)
                context.summary.shortCodes.push_back({std::string(tables::PROFT), text::toUtf8(code),
                                                      text::toUtf8(stored),
                                                      text::toUtf8(text::trimControls(fullName))});
        }
    }
    closeLoaderTable(context, table);
}

} // namespace quelvane::intake
