#pragma once

#include "intake/Intake.h"

#include <string>
#include <string_view>

// Pieces of the intake's summary text that its dry run shows too.
namespace quelvane::intake {

// "1 fila", "3 filas"
std::string rowsText(int rows);

// The heading, the rows of each table, the elements left out and those loaded under another key.
std::string describeTables(const IntakeSummary& summary, std::string_view heading);

} // namespace quelvane::intake
