#include "cli/Commands.h"
#include "cli/Outcome.h"
#include "delivery/Delivery.h"

#include <ctime>

namespace quelvane::cli {

int deliverCommand(const CommandLine& line)
{
    return reportOutcome("No existe archivo XML o Solución.", [&] {
        const delivery::DeliverySummary summary
            = delivery::runDelivery(line.document, workingFolder(line), std::time(nullptr));
        return line.json ? delivery::toJson(summary) + '\n' : delivery::describe(summary);
    });
}

} // namespace quelvane::cli
