#include "delivery/EscribirActividades.h"

#include "common/Error.h"
#include "common/WorkingTables.h"
#include "common/text/Text.h"
#include "common/xml/LeafElements.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace quelvane::delivery {

namespace {

namespace field = tables::field;

enum Reason : std::size_t { NotPlaced, GroupNotFound, SubjectNotFound, SlotNotFound, ReasonCount };

struct ReasonName {
    std::string_view id;
    std::string_view text;
};

constexpr std::array<ReasonName, ReasonCount> reasonNames = {{
    {"notPlaced", "no colocada"},
    {"groupNotFound", "grupo no encontrado"},
    {"subjectNotFound", "materia no encontrada"},
    {"slotNotFound", "tramo no encontrado"},
}};

// Enough to recognise the rows in the host's grid without flooding the summary.
constexpr std::size_t keysShown = 5;

enum class Pass { Lessons, Tasks };

// The letter under which the centre document names the day; intake read the same letters.
std::string_view dayLetter(std::int64_t day)
{
    static constexpr std::array<std::string_view, 7> letters = {"L", "M", "X", "J", "V", "S", "D"};
    return day >= 1 && day <= 7 ? letters[static_cast<std::size_t>(day - 1)] : std::string_view {};
}

// The eight values of one element, in Windows-1252, in the order in which they are set.
struct Actividad {
    std::string tipo;
    std::string codigoProfesor;
    std::string codigoGrupo;
    std::string codigoMateria;
    std::string codigoAula;
    std::string dia;
    std::string horaInicio;
    std::string horaFin;

    // Every row starts from empty values, so that nothing of an earlier row reaches its element.
    void clear()
    {
        tipo.clear();
        codigoProfesor.clear();
        codigoGrupo.clear();
        codigoMateria.clear();
        codigoAula.clear();
        dia.clear();
        horaInicio.clear();
        horaFin.clear();
    }
};

class ActivityWriter {
public:
    ActivityWriter(const ActivityTables& tables, const CodeBook& codes)
        : tables_(tables)
        , codes_(codes)
    {
        for (std::size_t i = 0; i < ReasonCount; ++i) {
            summary_.passedOver.push_back(
                PassedOver {std::string(reasonNames[i].id), std::string(reasonNames[i].text), 0, {}});
        }
    }

    void writePass(Pass pass)
    {
        dbase::Table& soluc = tables_.soluc;
        for (soluc.first(); !soluc.eof(); soluc.next())
            writeRow(pass);
    }

    // The elements go under horario once both passes are through.
    DeliverySummary finish(xml::Element horario)
    {
        actividades_.appendTo(horario);
        return std::move(summary_);
    }

private:
    void writeRow(Pass pass)
    {
        dbase::Table& soluc = tables_.soluc;
        asig_ = soluc.text(field::ASIG);
        tarea_ = soluc.text(field::TAREA);
        // Each row belongs to exactly one pass, so each is counted once.
        if ((asig_ == tarea_) != (pass == Pass::Tasks))
            return;

        codGrupo_ = soluc.text(field::CODGRUPO);
        const std::int64_t day = soluc.integer(field::DIA);
        if (day == 0 || soluc.number(field::HORA) == 0) {
            passOver(NotPlaced);
            return;
        }

        values_.clear();
        values_.tipo = tarea_;
        values_.dia = dayLetter(day);

        if (pass == Pass::Lessons) {
            if (!tables_.grupos.locate(field::ABREV, codGrupo_)) {
                passOver(GroupNotFound);
                return;
            }
            // The record found holds exactly the key looked for.
            values_.codigoGrupo = codes_.groupCode(codGrupo_);
        } else {
            // A task may belong to no group at all: the host's text goes back as it stands, unless
            // it is a group key that intake derived from a longer or repeated code.
            values_.codigoGrupo = codes_.groupCode(codGrupo_);
        }

        if (!tables_.asignaturas.locate(field::COD, asig_)) {
            passOver(SubjectNotFound);
            return;
        }
        // A task's ASIG is its activity type, not a subject: Pincel-eKade gets no subject code.
        if (pass == Pass::Lessons)
            values_.codigoMateria = codes_.subjectCode(asig_, tables_.asignaturas.text(field::ABREV_GESTION));

        const std::string prof = soluc.text(field::PROF);
        if (tables_.profesores.locate(field::ABREV, prof))
            values_.codigoProfesor = codes_.teacherCode(prof);
        if (tables_.aulas.locate(field::ABREV, soluc.text(field::AULA)))
            values_.codigoAula
                = codes_.roomCode(tables_.aulas.text(field::ABREV), tables_.aulas.text(field::ABREV_GESTION));

        if (!tables_.tramos.locate(field::DIHO, slotKey())) {
            passOver(SlotNotFound);
            return;
        }
        values_.horaInicio = tables_.tramos.text(field::HORADESDE);
        values_.horaFin = tables_.tramos.text(field::HORAHASTA);

        appendElement();
        ++(pass == Pass::Lessons ? summary_.lessons : summary_.tasks);
    }

    // The form of DIHO: day and slot number, each as its plain decimal text (1 and 12 give 112).
    std::string slotKey() const
    {
        std::string key(text::trimControls(tables_.soluc.text(field::DIA)));
        key += text::trimControls(tables_.soluc.text(field::HORA));
        return key;
    }

    void appendElement()
    {
        const std::array<std::string, 8> utf8 = {
            text::toUtf8(values_.tipo),        text::toUtf8(values_.codigoProfesor),
            text::toUtf8(values_.codigoGrupo), text::toUtf8(values_.codigoMateria),
            text::toUtf8(values_.codigoAula),  text::toUtf8(values_.dia),
            text::toUtf8(values_.horaInicio),  text::toUtf8(values_.horaFin),
        };
        const std::array<std::string_view, 8> attributes
            = {utf8[0], utf8[1], utf8[2], utf8[3], utf8[4], utf8[5], utf8[6], utf8[7]};
        try {
            actividades_.add(attributes);
        } catch (const Error& error) {
            // A control character in a table cannot go into XML; say which row carries it.
            throw Error("La fila " + rowKey() + " de SOLUC no cabe en el documento de horario: " + error.what());
        }
    }

    // ASIG/CODGRUPO/DIA/HORA, UTF-8: how the summary and the messages name a row.
    std::string rowKey() const
    {
        const dbase::Table& soluc = tables_.soluc;
        std::string key = asig_ + "/" + codGrupo_ + "/";
        key += text::trimControls(soluc.text(field::DIA));
        key += "/";
        key += text::trimControls(soluc.text(field::HORA));
        return text::toUtf8(key);
    }

    void passOver(Reason reason)
    {
        PassedOver& entry = summary_.passedOver[reason];
        ++entry.rows;
        if (entry.firstKeys.size() < keysShown)
            entry.firstKeys.push_back(rowKey());
    }

    const ActivityTables& tables_;
    const CodeBook& codes_;
    // Held as their markup rather than as nodes: a large centre has some 150 000 of them.
    xml::LeafElements actividades_ {
        "actividad",
        {"tipo", "codigoProfesor", "codigoGrupo", "codigoMateria", "codigoAula", "dia", "HoraInicio", "HoraFin"}};
    DeliverySummary summary_;
    // The row being worked on.
    std::string asig_;
    std::string tarea_;
    std::string codGrupo_;
    Actividad values_;
};

} // namespace

DeliverySummary EscribirActividades(const ActivityTables& tables, const CodeBook& codes, xml::Element horario)
{
    ActivityWriter writer(tables, codes);
    writer.writePass(Pass::Lessons);
    writer.writePass(Pass::Tasks);
    return writer.finish(horario);
}

} // namespace quelvane::delivery
