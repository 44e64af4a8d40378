#include "common/Error.h"
#include "common/WorkingTables.h"
#include "common/text/Text.h"
#include "intake/IntakeContext.h"
#include "intake/LoaderFrame.h"
#include "intake/SessionRules.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace quelvane::intake {

namespace {

namespace field = tables::field;

// What the rows need of one MateriaGrupo, worked out once however many groups share its code.
struct GroupSubject {
    std::string code;
    float sessions = 0.0F;
    std::string pattern;
};

std::vector<dbase::FieldDef> groupSubjectFields()
{
    return {characterField(field::CASIG, 10),       characterField(field::CPROF, 10), characterField(field::CGRUP, 10),
            characterField(field::CAULA, 10),       characterField(field::TURNO, 1),  characterField(field::NIVEL, 5),
            characterField(field::CURSO, 3),        characterField(field::GRUPO, 2),  doubleField(field::HORAS),
            characterField(field::SESIONES, 20),    characterField(field::NCONEX, 4), characterField(field::CTAREA, 10),
            characterField(field::ASIG_GESTION, 10)};
}

// The subjects of the whole document by the code of the group they stand under, each group's in
// document order. Every "Horas" is converted, also where the subject code is blank, so that a
// bad one anywhere stops the run before any row is written.
std::unordered_map<std::string, std::vector<GroupSubject>> subjectsByGroupCode(const IntakeContext& context)
{
    std::unordered_map<std::string, std::vector<GroupSubject>> byGroup;
    // A centre uses a handful of distinct "Horas", and a group's subjects follow one another:
    // each value is converted, and each group's code read, once.
    std::unordered_map<std::string, std::pair<float, std::string>> converted;
    xml::Element group;
    std::string groupCode;
    for (const xml::Element& element : context.DocXML.selectNodes("/Centro/Grupos/Grupo/MateriasGrupo/MateriaGrupo")) {
        const AttributeReader attribute(element);
        const std::string code = attribute("Codigo");
        const std::string horas = attribute("Horas");
        if (const xml::Element parent = element.parent().parent(); parent.node() != group.node() || group.isNull()) {
            group = parent;
            groupCode = AttributeReader(group)("Codigo");
        }
        auto known = converted.find(horas);
        if (known == converted.end()) {
            float sessions = 0.0F;
            try {
                sessions = weeklySessions(horas, context.DuracionesSesion);
            } catch (const Error& error) {
                throw Error(std::string(error.what()) + " (materia "
                            + (code.empty() ? std::string("sin código") : text::toUtf8(code)) + ", grupo "
                            + text::toUtf8(groupCode) + ")");
            }
            known = converted.emplace(horas, std::pair {sessions, sessionsPattern(sessions)}).first;
        }
        if (code.empty()) {
            continue;
        }
        byGroup[groupCode].push_back({code, known->second.first, known->second.second});
    }
    return byGroup;
}

// The keys that delivery finds the rows by: the short codes that intake gave out, where the
// code itself was not usable as a key (too long, or taken).
std::string subjectKey(const IntakeContext& context, const std::string& code)
{
    const auto found = context.subjectShortCodes.find(code);
    return found != context.subjectShortCodes.end() ? found->second : std::string(text::first(code, 10));
}

std::string groupKey(const IntakeContext& context, std::size_t position, const std::string& code)
{
    if (position < context.groupShortCodes.size() && !context.groupShortCodes[position].empty()) {
        return context.groupShortCodes[position];
    }
    return std::string(text::first(code, 10));
}

} // namespace

void CargarMateriasGrupo(IntakeContext& context)
{
    dbase::Table table = createLoaderTable(context.folder, tables::ASIGT, groupSubjectFields());
    const std::vector<xml::Element> groups = context.DocXML.selectNodes("/Centro/Grupos/Grupo");

    if (holdsData(groups.size())) {
        const auto subjects = subjectsByGroupCode(context);
        // Each group's subjects, found once: their count lets the table take every row in place.
        std::vector<const std::vector<GroupSubject>*> ofGroup(groups.size(), nullptr);
        std::size_t rows = 0;
        for (std::size_t position = 0; position < groups.size(); ++position) {
            const auto found = subjects.find(AttributeReader(groups[position])("Codigo"));
            if (found != subjects.end()) {
                ofGroup[position] = &found->second;
                rows += found->second.size();
            }
        }
        table.reserve(rows);
        for (std::size_t position = 0; position < groups.size(); ++position) {
            if (ofGroup[position] == nullptr) {
                continue;
            }
            const AttributeReader attribute(groups[position]);
            const std::string code = attribute("Codigo");
            // A subject stands under every group that shares its group's code, each time with
            // that group's own data.
            const std::string key = groupKey(context, position, code);
            const std::string turno = attribute("Turno");
            const std::string nivel = attribute("CodigoEnsenanza");
            const std::string curso = attribute("Curso");
            const std::string letra = attribute("Letra");
            for (const GroupSubject& subject : *ofGroup[position]) {
                table.append();
                table.setText(field::CASIG, subjectKey(context, subject.code));
                table.setText(field::CGRUP, key);
                table.setText(field::TURNO, turno);
                table.setText(field::NIVEL, nivel);
                table.setText(field::CURSO, curso);
                table.setText(field::GRUPO, letra);
                table.setDouble(field::HORAS, subject.sessions);
                table.setText(field::SESIONES, subject.pattern);
                table.setText(field::CTAREA, "CCM");
                table.setText(field::ASIG_GESTION, code);
                table.post();
            }
        }
    }

    closeLoaderTable(context, table);
}

} // namespace quelvane::intake
