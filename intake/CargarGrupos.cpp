#include "common/WorkingTables.h"
#include "common/text/Text.h"
#include "intake/AsignarAbrev.h"
#include "intake/IntakeContext.h"
#include "intake/LoaderFrame.h"

#include <string>
#include <unordered_map>
#include <unordered_set>

namespace quelvane::intake {

namespace field = tables::field;

namespace {

const std::vector<dbase::FieldDef>& grupostFields()
{
    static const std::vector<dbase::FieldDef> fields {
        characterField(field::ABREV, 10), characterField(field::TURNO, 1),  characterField(field::NIVEL, 5),
        characterField(field::CURSO, 3),  characterField(field::GRUPO, 2),  characterField(field::DESCRIP, 80),
        characterField(field::MARCO, 1),  characterField(field::TUTOR, 10),
    };
    return fields;
}

// The ABREV values of the PROFT built earlier in this run, read as a locate compares them: whole
// value, letter case significant. Reading the table (rather than trusting the teachers loader's
// list) keeps the answer that of the table the host will see, keys cut to ten included.
std::unordered_set<std::string> teacherKeys(const std::filesystem::path& folder)
{
    std::unordered_set<std::string> keys;
    dbase::Table teachers = dbase::Table::open(dbase::tableFile(folder, tables::PROFT));
    for (teachers.first(); !teachers.eof(); teachers.next())
        keys.insert(teachers.text(field::ABREV));
    teachers.close();
    return keys;
}

// Teaching code to the name of the first teaching in document order that carries it.
std::unordered_map<std::string, std::string> teachingNames(const xml::Document& document)
{
    std::unordered_map<std::string, std::string> names;
    const std::vector<xml::Element> teachings = document.selectNodes("/Centro/Ensenanzas/Ensenanza");
    if (!holdsData(teachings.size()))
        return names;
    for (const xml::Element& teaching : teachings) {
        const AttributeReader attribute(teaching);
        names.try_emplace(attribute("Codigo"), attribute("Denominacion"));
    }
    return names;
}

} // namespace

void CargarGrupos(IntakeContext& context)
{
    dbase::deleteTableFiles(context.folder, tables::GRUPOST);
    // The host's course table is derived from the groups; it would contradict the new ones.
    dbase::deleteTableFiles(context.folder, tables::CURSOST);
    dbase::Table table = createLoaderTable(context.folder, tables::GRUPOST, grupostFields());
    const std::unordered_set<std::string> tutors = teacherKeys(context.folder);

    const std::vector<xml::Element> groups = context.DocXML.selectNodes("/Centro/Grupos/Grupo");
    context.groupShortCodes.assign(groups.size(), std::string());
    if (holdsData(groups.size())) {
        const auto teachings = teachingNames(context.DocXML);
        UsedKeyList used;
        for (std::size_t i = 0; i < groups.size(); ++i) {
            const AttributeReader attribute(groups[i]);
            const std::string code = attribute("Codigo");
            const std::string name = attribute("Denominacion");
            const std::string teaching = attribute("CodigoEnsenanza");

            std::string tutor = attribute("CodigoTutor");
            if (!tutors.contains(tutor))
                tutor.clear();

            std::string description = name;
            if (!teaching.empty()) {
                if (const auto found = teachings.find(teaching); found != teachings.end())
                    description = name + " (" + found->second + ")";
            }

            const std::string shortCode = AsignarAbrev(code, used, LongKeys::Shortened);
            table.append();
            table.setText(field::ABREV, shortCode);
            table.setText(field::TURNO, attribute("Turno"));
            table.setText(field::NIVEL, teaching);
            table.setText(field::CURSO, attribute("Curso"));
            table.setText(field::GRUPO, attribute("Letra"));
            table.setText(field::DESCRIP, description);
            table.setText(field::MARCO, "0");
            table.setText(field::TUTOR, tutor);
            table.post();

            context.groupShortCodes[i] = shortCode;
            if (shortCode != code)
                context.summary.shortCodes.push_back(
                    {std::string(tables::GRUPOST), text::toUtf8(code), text::toUtf8(shortCode), text::toUtf8(name)});
        }
    }
    closeLoaderTable(context, table);
}

} // namespace quelvane::intake
