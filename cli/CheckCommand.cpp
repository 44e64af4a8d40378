#include "cli/Commands.h"
#include "cli/Outcome.h"
#include "intake/Check.h"

namespace quelvane::cli {

int checkCommand(const CommandLine& line)
{
    return reportOutcome("No existe archivo", [&] {
        const intake::CheckReport report = intake::checkIntake(line.document, workingFolder(line));
        return line.json ? intake::toJson(report) : intake::describe(report);
    });
}

} // namespace quelvane::cli
