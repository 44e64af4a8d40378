#pragma once

#include <ctime>
#include <string>

namespace quelvane::platform {

// The local date in the user's regional short date format, one blank, and the local time in
// the regional long time format. On Windows the user's locale settings; elsewhere the
// LC_TIME locale of the environment (nl_langinfo D_FMT and T_FMT). UTF-8.
std::string regionalDateTime(std::time_t when);

} // namespace quelvane::platform
