#include "cli/Commands.h"
#include "common/Error.h"
#include "delivery/Delivery.h"

#include <ctime>
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

int deliverCommand(const CommandLine& line)
{
    try {
        const delivery::DeliverySummary summary
            = delivery::runDelivery(line.document, workingFolder(line), std::time(nullptr));
        if (line.json)
            std::cout << delivery::toJson(summary) << '\n';
        else
            std::cout << delivery::describe(summary);
        std::cout.flush();
        return Success;
    } catch (const quelvane::MissingInput&) {
        std::cerr << "No existe archivo XML o Solución.\n";
        return ExitCode::MissingInput;
    } catch (const std::exception& error) {
        std::cerr << sentence(error.what()) << '\n';
        return Failure;
    }
}

} // namespace quelvane::cli
