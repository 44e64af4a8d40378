#include "cli/Commands.h"
#include "cli/Outcome.h"
#include "intake/Intake.h"

namespace quelvane::cli {

int intakeCommand(const CommandLine& line)
{
    return reportOutcome("No existe archivo", [&] {
        const intake::IntakeSummary summary = intake::runIntake(line.document, workingFolder(line));
        return line.json ? intake::toJson(summary) : intake::describe(summary);
    });
}

} // namespace quelvane::cli
