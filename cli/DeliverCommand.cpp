#include "cli/Commands.h"
#include "common/Error.h"
#include "delivery/Delivery.h"

#include <ctime>
#include <exception>
#include <iostream>

namespace quelvane::cli {

int deliverCommand(const CommandLine& line)
{
    try {
        const delivery::DeliverySummary summary
            = delivery::runDelivery(line.document, workingFolder(line), std::time(nullptr));
        if (line.json)
            std::cout << delivery::toJson(summary) << '\n';
        else
            std::cout << delivery::describe(summary);
        return Success;
    } catch (const quelvane::MissingInput&) {
        std::cerr << "No existe archivo XML o Solución.\n";
        return ExitCode::MissingInput;
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return Failure;
    }
}

} // namespace quelvane::cli
