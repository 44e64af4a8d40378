#include "cli/Commands.h"
#include "common/Error.h"
#include "intake/Intake.h"

#include <exception>
#include <iostream>
#include <string>

namespace quelvane::cli {

namespace {

// As the window shows errors: the text, with a full stop added when it has none.
std::string sentence(std::string message)
{
    if (message.empty() || message.back() != '.')
        message += '.';
    return message;
}

} // namespace

int intakeCommand(const CommandLine& line)
{
    try {
        const intake::IntakeSummary summary = intake::runIntake(line.document, workingFolder(line));
        std::cout << (line.json ? intake::toJson(summary) : intake::describe(summary));
        std::cout.flush();
        return Success;
    } catch (const quelvane::MissingInput& error) {
        std::cerr << error.what() << "\n";
        return ExitCode::MissingInput;
    } catch (const std::exception& error) {
        std::cerr << sentence(error.what()) << "\n";
        return Failure;
    }
}

} // namespace quelvane::cli
