#pragma once

#include "cli/Commands.h"
#include "common/Error.h"

#include <exception>
#include <iostream>
#include <string>
#include <string_view>

namespace quelvane::cli {

// As the window shows errors: the text, with a full stop added when it has none.
inline std::string sentence(std::string message)
{
    if (message.empty() || message.back() != '.')
        message += '.';
    return message;
}

// Runs one command's engine call and turns its outcome into the exit code every command
// shares: what the call prints on success, the fixed message of a missing input (3; an empty
// message: the error's own), or the error's sentence (1), each on its stream.
template <class Run> int reportOutcome(std::string_view missingInputMessage, Run&& run)
{
    try {
        std::cout << run();
        std::cout.flush();
        return Success;
    } catch (const quelvane::MissingInput& error) {
        std::cerr << (missingInputMessage.empty() ? std::string_view(error.what()) : missingInputMessage) << '\n';
        return ExitCode::MissingInput;
    } catch (const std::exception& error) {
        std::cerr << sentence(error.what()) << '\n';
        return Failure;
    }
}

} // namespace quelvane::cli
