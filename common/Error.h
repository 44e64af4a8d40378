#pragma once

#include <stdexcept>
#include <string>

namespace quelvane {

// Every failure that ends a run is one of these. The text is UTF-8 and is shown to the school's
// staff as it stands, so it says what went wrong and where (file, table, element, value).
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message)
        : std::runtime_error(message)
    {
    }
};

// An input file that is not there. The runs answer it with their own fixed message
// ("No existe archivo", "No existe archivo XML o Solución.") and, in host mode, the result -1.
class MissingInput : public Error {
public:
    using Error::Error;
};

} // namespace quelvane
