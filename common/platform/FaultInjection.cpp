#include "common/platform/FaultInjection.h"

namespace quelvane::platform {

namespace detail {
constinit thread_local FaultInjection* activeFaultInjection = nullptr;
}

const char* operationName(FileOperation operation)
{
    switch (operation) {
    case FileOperation::Create:
        return "create";
    case FileOperation::Open:
        return "open";
    case FileOperation::Read:
        return "read";
    case FileOperation::Write:
        return "write";
    case FileOperation::Flush:
        return "flush";
    case FileOperation::Rename:
        return "rename";
    case FileOperation::Delete:
        return "delete";
    case FileOperation::Close:
        return "close";
    case FileOperation::Link:
        return "link";
    }
    return "?";
}

FaultInjection::FaultInjection(std::size_t failing)
    : failing_(failing)
    , previous_(detail::activeFaultInjection)
{
    detail::activeFaultInjection = this;
}

FaultInjection::~FaultInjection()
{
    detail::activeFaultInjection = previous_;
}

bool FaultInjection::fails(FileOperation operation, const std::filesystem::path& file)
{
    seen_.push_back({operation, file});
    return seen_.size() == failing_;
}

} // namespace quelvane::platform
