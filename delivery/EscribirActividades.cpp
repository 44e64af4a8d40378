#include "delivery/EscribirActividades.h"

#include "common/Error.h"
#include "common/WorkingTables.h"
#include "common/text/Text.h"
#include "common/xml/LeafElements.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

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

// What the lookup tables answer for one key, worked out once per distinct key: the tables do
// not change while delivery runs, and a large SOLUC asks for the same group, subject, teacher,
// room and slot thousands of times. Texts are UTF-8, ready for the document.
template <typename Answer> class Answers {
public:
    template <typename Find> const Answer& of(const std::string& key, Find find)
    {
        const auto found = answers_.find(key);
        if (found != answers_.end())
            return found->second;
        return answers_.emplace(key, find()).first->second;
    }

private:
    std::unordered_map<std::string, Answer> answers_;
};

struct Slot {
    std::string horaInicio;
    std::string horaFin;
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
        std::size_t row = 0;
        for (soluc.first(); !soluc.eof(); soluc.next(), ++row) {
            // The lesson pass notes which rows are tasks, so that the task pass reads no others.
            if (pass == Pass::Lessons) {
                asig_ = soluc.text(field::ASIG);
                tarea_ = soluc.text(field::TAREA);
                isTask_.push_back(asig_ == tarea_);
                if (isTask_.back())
                    continue;
            } else {
                if (!isTask_[row])
                    continue;
                asig_ = soluc.text(field::ASIG);
                tarea_ = soluc.text(field::TAREA);
            }
            writeRow(pass);
        }
    }

    // The elements go under horario once both passes are through.
    DeliverySummary finish(xml::Element horario)
    {
        actividades_.appendTo(horario);
        return std::move(summary_);
    }

private:
    // A row of the pass it belongs to (each row belongs to exactly one, so each is counted once).
    void writeRow(Pass pass)
    {
        dbase::Table& soluc = tables_.soluc;
        codGrupo_ = soluc.text(field::CODGRUPO);
        const std::int64_t day = soluc.integer(field::DIA);
        if (day == 0 || soluc.number(field::HORA) == 0) {
            passOver(NotPlaced);
            return;
        }

        // Every value is set anew for each row, so that nothing of an earlier row reaches its element.
        std::string_view codigoGrupo;
        if (pass == Pass::Lessons) {
            const std::optional<std::string>& group = groups_.of(codGrupo_, [this] {
                // The record found holds exactly the key looked for.
                return tables_.grupos.locate(field::ABREV, codGrupo_)
                    ? std::optional<std::string>(text::toUtf8(codes_.groupCode(codGrupo_)))
                    : std::nullopt;
            });
            if (!group) {
                passOver(GroupNotFound);
                return;
            }
            codigoGrupo = *group;
        } else {
            // A task may belong to no group at all: the host's text goes back as it stands, unless
            // it is a group key that intake derived from a longer or repeated code.
            codigoGrupo = taskGroups_.of(codGrupo_, [this] { return text::toUtf8(codes_.groupCode(codGrupo_)); });
        }

        const std::optional<std::string>& subject = subjects_.of(asig_, [this] {
            return tables_.asignaturas.locate(field::COD, asig_) ? std::optional<std::string>(
                       text::toUtf8(codes_.subjectCode(asig_, tables_.asignaturas.text(field::ABREV_GESTION))))
                                                                 : std::nullopt;
        });
        if (!subject) {
            passOver(SubjectNotFound);
            return;
        }
        // A task's ASIG is its activity type, not a subject: Pincel-eKade gets no subject code.
        const std::string_view codigoMateria = pass == Pass::Lessons ? std::string_view(*subject) : std::string_view();

        const std::string prof = soluc.text(field::PROF);
        const std::string& codigoProfesor = teachers_.of(prof, [&] {
            return tables_.profesores.locate(field::ABREV, prof) ? text::toUtf8(codes_.teacherCode(prof))
                                                                 : std::string();
        });
        const std::string aula = soluc.text(field::AULA);
        const std::string& codigoAula = rooms_.of(aula, [&] {
            return tables_.aulas.locate(field::ABREV, aula)
                ? text::toUtf8(codes_.roomCode(aula, tables_.aulas.text(field::ABREV_GESTION)))
                : std::string();
        });

        const std::string key = slotKey();
        const std::optional<Slot>& slot = slots_.of(key, [&] {
            return tables_.tramos.locate(field::DIHO, key)
                ? std::optional<Slot>(Slot {text::toUtf8(tables_.tramos.text(field::HORADESDE)),
                                            text::toUtf8(tables_.tramos.text(field::HORAHASTA))})
                : std::nullopt;
        });
        if (!slot) {
            passOver(SlotNotFound);
            return;
        }

        const std::string tipo = text::toUtf8(tarea_);
        const std::array<std::string_view, 8> values = {tipo,       codigoProfesor, codigoGrupo,      codigoMateria,
                                                        codigoAula, dayLetter(day), slot->horaInicio, slot->horaFin};
        try {
            actividades_.add(values);
        } catch (const Error& error) {
            // A control character in a table cannot go into XML; say which row carries it.
            throw Error("La fila " + rowKey() + " de SOLUC no cabe en el documento de horario: " + error.what());
        }
        ++(pass == Pass::Lessons ? summary_.lessons : summary_.tasks);
    }

    // The form of DIHO: day and slot number, each as its plain decimal text (1 and 12 give 112).
    std::string slotKey() const
    {
        std::string key(text::trimControls(tables_.soluc.text(field::DIA)));
        key += text::trimControls(tables_.soluc.text(field::HORA));
        return key;
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
    std::vector<bool> isTask_; // by row of SOLUC, from the lesson pass
    Answers<std::optional<std::string>> groups_; // CODGRUPO -> its code, when GRUPOST has it
    Answers<std::string> taskGroups_; // CODGRUPO of a task -> what goes back
    Answers<std::optional<std::string>> subjects_; // ASIG -> its code, when ASIGNOMT has it
    Answers<std::string> teachers_; // PROF -> its code, empty when PROFT lacks it
    Answers<std::string> rooms_; // AULA -> its code, empty when AULAT lacks it
    Answers<std::optional<Slot>> slots_; // DIHO -> the slot's times, when DIASHORAST has it
    // The row being worked on, in Windows-1252.
    std::string asig_;
    std::string tarea_;
    std::string codGrupo_;
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
