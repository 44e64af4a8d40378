#include "tests/host/FillSoluc.h"

#include "common/WorkingTables.h"
#include "common/dbase/Table.h"
#include "common/text/Text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace quelvane::testhost {

namespace fs = std::filesystem;

namespace {

namespace field = tables::field;

struct Slot {
    std::int32_t day = 0;
    std::int32_t number = 0;
};

struct SolucRow {
    std::string asig;
    std::string tarea;
    Slot slot; // day 0: not placed
    std::string codGrupo;
    std::string prof;
    std::string aula;
};

struct GroupSubject {
    std::string subject;
    std::string group;
    std::string task;
    int sessions = 0;
};

struct WorkingData {
    std::vector<std::string> groups;
    std::unordered_set<std::string> groupSet;
    std::vector<std::string> teachers;
    std::vector<std::string> rooms;
    std::set<std::string> subjects;
    std::vector<std::string> tasks;
    std::vector<Slot> slots;
    std::vector<GroupSubject> groupSubjects;
};

dbase::Table openTable(const fs::path& folder, std::string_view name)
{
    return dbase::Table::open(dbase::tableFile(folder, name));
}

std::vector<std::string> column(const fs::path& folder, std::string_view table, std::string_view name)
{
    dbase::Table t = openTable(folder, table);
    std::vector<std::string> values;
    for (t.first(); !t.eof(); t.next())
        values.push_back(t.text(name));
    t.close();
    return values;
}

WorkingData readWorkingTables(const fs::path& folder)
{
    WorkingData data;
    data.groups = column(folder, tables::GRUPOST, field::ABREV);
    data.groupSet.insert(data.groups.begin(), data.groups.end());
    data.teachers = column(folder, tables::PROFT, field::ABREV);
    data.rooms = column(folder, tables::AULAT, field::ABREV);

    dbase::Table subjects = openTable(folder, tables::ASIGNOMT);
    for (subjects.first(); !subjects.eof(); subjects.next()) {
        if (subjects.logical(field::ESTAREA))
            data.tasks.push_back(subjects.text(field::COD));
        else
            data.subjects.insert(subjects.text(field::COD));
    }
    subjects.close();

    dbase::Table slots = openTable(folder, tables::DIASHORAST);
    for (slots.first(); !slots.eof(); slots.next()) {
        data.slots.push_back(
            Slot {text::parseInteger(slots.text(field::DIA)), text::parseInteger(slots.text(field::HORA))});
    }
    slots.close();

    dbase::Table asigt = openTable(folder, tables::ASIGT);
    for (asigt.first(); !asigt.eof(); asigt.next()) {
        data.groupSubjects.push_back(GroupSubject {asigt.text(field::CASIG), asigt.text(field::CGRUP),
                                                   asigt.text(field::CTAREA),
                                                   static_cast<int>(std::ceil(asigt.number(field::HORAS)))});
    }
    asigt.close();
    return data;
}

// Who is busy when: for each key of a group, teacher or room, the slots it is taken in. Looked up
// by hash, so that filling SOLUC stays linear in the number of sessions for the benchmark's
// largest centres.
class Timetable {
public:
    explicit Timetable(const std::vector<Slot>& slots)
        : slots_(slots)
    {
    }

    // A slot free for the group and the teacher and for one of `rooms` (tried in order), on a
    // day that `avoidDays` does not hold where possible; with the room it is free for.
    std::optional<std::pair<std::size_t, std::size_t>> freeSlot(const std::string& group, const std::string& teacher,
                                                                const std::vector<const std::string*>& rooms,
                                                                const std::set<std::int32_t>& avoidDays,
                                                                std::size_t start) const
    {
        const std::size_t n = slots_.size();
        const std::vector<bool>* groupTaken = takenBy(group);
        const std::vector<bool>* teacherTaken = takenBy(teacher);
        std::vector<const std::vector<bool>*> roomTaken;
        for (const std::string* room : rooms)
            roomTaken.push_back(takenBy(*room));
        for (int round = 0; round < 2; ++round) {
            for (std::size_t k = 0; k < n; ++k) {
                const std::size_t slot = (start + k) % n;
                if (round == 0 && avoidDays.count(slots_[slot].day))
                    continue;
                if (busy(groupTaken, slot) || busy(teacherTaken, slot))
                    continue;
                for (std::size_t r = 0; r < roomTaken.size(); ++r) {
                    if (!busy(roomTaken[r], slot))
                        return std::pair {slot, r};
                }
            }
        }
        return std::nullopt;
    }

    void take(const std::string& group, const std::string& teacher, const std::string& room, std::size_t slot)
    {
        for (const std::string* key : {&group, &teacher, &room}) {
            if (key->empty())
                continue;
            std::vector<bool>& taken = taken_[*key];
            taken.resize(slots_.size());
            taken[slot] = true;
        }
    }

private:
    const std::vector<bool>* takenBy(const std::string& key) const
    {
        if (key.empty())
            return nullptr;
        const auto found = taken_.find(key);
        return found != taken_.end() ? &found->second : nullptr;
    }

    static bool busy(const std::vector<bool>* taken, std::size_t slot) { return taken != nullptr && (*taken)[slot]; }

    const std::vector<Slot>& slots_;
    // Keys of groups, teachers and rooms never clash in practice; the host's own data is no
    // cleaner, and a clash only leaves a session unplaced.
    std::unordered_map<std::string, std::vector<bool>> taken_;
};

template <typename T> const T& pick(const std::vector<T>& values, std::size_t i, const T& none)
{
    return values.empty() ? none : values[i % values.size()];
}

void writeSoluc(const fs::path& folder, const std::vector<SolucRow>& rows)
{
    const fs::path file = dbase::tableFile(folder, tables::SOLUC);
    dbase::createTable(file,
                       {
                           {std::string(field::ASIG), dbase::FieldType::Character, 10, 0},
                           {std::string(field::TAREA), dbase::FieldType::Character, 10, 0},
                           {std::string(field::DIA), dbase::FieldType::Integer, 4, 0},
                           {std::string(field::HORA), dbase::FieldType::Integer, 4, 0},
                           {std::string(field::CODGRUPO), dbase::FieldType::Character, 10, 0},
                           {std::string(field::PROF), dbase::FieldType::Character, 10, 0},
                           {std::string(field::AULA), dbase::FieldType::Character, 10, 0},
                       });
    dbase::Table soluc = dbase::Table::open(file);
    for (const SolucRow& row : rows) {
        soluc.append();
        soluc.setText(field::ASIG, row.asig);
        soluc.setText(field::TAREA, row.tarea);
        soluc.setInteger(field::DIA, row.slot.day);
        soluc.setInteger(field::HORA, row.slot.number);
        soluc.setText(field::CODGRUPO, row.codGrupo);
        soluc.setText(field::PROF, row.prof);
        soluc.setText(field::AULA, row.aula);
        soluc.post();
    }
    soluc.close();
}

} // namespace

FillReport fillSoluc(const fs::path& folder, const FillOptions& options)
{
    const WorkingData data = readWorkingTables(folder);
    Timetable timetable(data.slots);
    FillReport report;
    std::vector<SolucRow> rows;
    const std::string none;
    const std::vector<const std::string*> noRoom = {&none};

    // Tasks first: delivery must still write every lesson before them.
    for (std::size_t i = 0; i < data.tasks.size() && i < 2; ++i) {
        const std::string group = i == 0 ? none : pick(data.groups, 0, none);
        const std::string& teacher = pick(data.teachers, i, none);
        SolucRow row {data.tasks[i], data.tasks[i], {}, group, teacher, none};
        if (const auto slot = timetable.freeSlot(group, teacher, noRoom, {}, data.slots.size() - 1 - i)) {
            timetable.take(group, teacher, none, slot->first);
            row.slot = data.slots[slot->first];
        }
        rows.push_back(row);
        ++report.taskRows;
    }

    const std::size_t roomsTried = std::max<std::size_t>(
        1, std::min(static_cast<std::size_t>(std::max(options.roomsTried, 1)), data.rooms.size()));
    const GroupSubject* leftOutOnPurpose = nullptr;
    for (std::size_t i = 0; i < data.groupSubjects.size(); ++i) {
        const GroupSubject& subject = data.groupSubjects[i];
        if (!data.subjects.count(subject.subject) || !data.groupSet.count(subject.group)) {
            report.skipped.push_back(text::toUtf8(subject.subject + "/" + subject.group));
            continue;
        }
        if (!leftOutOnPurpose)
            leftOutOnPurpose = &subject;
        const std::string& teacher = pick(data.teachers, i, none);
        std::vector<const std::string*> rooms;
        for (std::size_t r = 0; r < roomsTried; ++r)
            rooms.push_back(&pick(data.rooms, i + r, none));
        std::set<std::int32_t> days;
        for (int session = 0; session < subject.sessions; ++session) {
            SolucRow row {subject.subject, subject.task, {}, subject.group, teacher, *rooms.front()};
            const auto slot = data.slots.empty()
                ? std::nullopt
                : timetable.freeSlot(subject.group, teacher, rooms, days, (i * 3) % data.slots.size());
            if (slot) {
                row.aula = *rooms[slot->second];
                timetable.take(subject.group, teacher, row.aula, slot->first);
                row.slot = data.slots[slot->first];
                days.insert(row.slot.day);
            } else {
                ++report.unplacedLessons;
            }
            rows.push_back(row);
            ++report.lessonRows;
        }
    }

    // Duties without group or room, in the teachers' free slots.
    if (!data.tasks.empty() && !data.slots.empty()) {
        for (std::size_t t = 0; t < data.teachers.size(); ++t) {
            for (int k = 0; k < options.tasksPerTeacher; ++k) {
                const std::string& task = data.tasks[(t + static_cast<std::size_t>(k)) % data.tasks.size()];
                SolucRow row {task, task, {}, none, data.teachers[t], none};
                const std::size_t start = (t * 5 + static_cast<std::size_t>(k) * 7) % data.slots.size();
                if (const auto slot = timetable.freeSlot(none, row.prof, noRoom, {}, start)) {
                    timetable.take(none, row.prof, none, slot->first);
                    row.slot = data.slots[slot->first];
                }
                rows.push_back(row);
                ++report.taskRows;
            }
        }
    }

    if (leftOutOnPurpose) {
        const GroupSubject& subject = *leftOutOnPurpose;
        rows.push_back(SolucRow {
            subject.subject, subject.task, {}, subject.group, pick(data.teachers, 0, none), pick(data.rooms, 0, none)});
        ++report.lessonRows;
        ++report.unplacedLessons;
    }

    writeSoluc(folder, rows);
    return report;
}

} // namespace quelvane::testhost
