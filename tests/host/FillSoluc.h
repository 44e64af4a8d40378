#pragma once

#include <filesystem>
#include <string>
#include <vector>

// What the timetabling host does between intake and delivery, reduced to what delivery reads:
// it places every group subject of ASIGT into free slots of DIASHORAST and writes the result
// into SOLUC with the keys of the working tables. Deterministic, so tests can rely on it.
namespace quelvane::testhost {

struct FillReport {
    int lessonRows = 0; // one per weekly session of a group subject, placed or not
    int unplacedLessons = 0; // sessions for which no slot was free, plus the one left out on purpose
    int taskRows = 0;
    // ASIGT rows whose subject or group the tables do not know, as "CASIG/CGRUP"; a host
    // would refuse to place them.
    std::vector<std::string> skipped;
};

// What the tests leave at its defaults and the benchmark turns up towards a real timetable.
struct FillOptions {
    // Duties (guardias and the like) of every teacher, each one row with the teacher alone.
    int tasksPerTeacher = 0;
    // Rooms tried for a session, the group subject's own first: a host moves a lesson to another
    // free room rather than leave it unplaced.
    int roomsTried = 1;
};

// Replaces <folder>/SOLUC.DBF. Its rows, in this order: a task without a group and a task of the
// first group (when ASIGNOMT holds activity types), every session of every group subject of
// ASIGT in table order, the teachers' duties, and finally one session that is left unplaced.
FillReport fillSoluc(const std::filesystem::path& folder, const FillOptions& options = {});

} // namespace quelvane::testhost
