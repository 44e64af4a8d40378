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

// Replaces <folder>/SOLUC.DBF. Its rows, in this order: a task without a group and a task of the
// first group (when ASIGNOMT holds activity types), every session of every group subject of
// ASIGT in table order, and finally one session that is left unplaced.
FillReport fillSoluc(const std::filesystem::path& folder);

} // namespace quelvane::testhost
