// The result report's INI editor on an arbitrary file: the host must then read the value that
// was set, whatever else the file holds, and setting it twice must be setting it once.
#include "FuzzSupport.h"
#include "app/ResultReport.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

using namespace quelvane;
using namespace quelvane::fuzz;

namespace {

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool sameLetters(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// The value as a reader of INI files finds it, written apart from the editor: the first section
// of that name, its first entry of that key; comments start with ';'.
std::optional<std::string> readValue(std::string_view ini, std::string_view section, std::string_view key)
{
    if (ini.starts_with("\xEF\xBB\xBF"))
        ini.remove_prefix(3);
    bool inside = false;
    bool seen = false;
    while (!ini.empty()) {
        const std::size_t end = ini.find('\n');
        std::string_view line = ini.substr(0, end);
        ini.remove_prefix(end == std::string_view::npos ? ini.size() : end + 1);
        if (end != std::string_view::npos && line.ends_with('\r'))
            line.remove_suffix(1);
        const std::string_view text = trimmed(line);
        if (text.starts_with('[') && text.find(']') != std::string_view::npos) {
            if (inside)
                return std::nullopt;
            inside = !seen && sameLetters(trimmed(text.substr(1, text.find(']') - 1)), section);
            seen = seen || inside;
            continue;
        }
        const std::size_t equals = text.find('=');
        if (inside && !text.empty() && text.front() != ';' && equals != std::string_view::npos
            && sameLetters(trimmed(text.substr(0, equals)), key))
            return std::string(trimmed(text.substr(equals + 1)));
    }
    return std::nullopt;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view ini = bytesOf(data, size);
    const std::string once = app::setIniValue(ini, app::reportSection, app::reportKey, "1");
    const std::optional<std::string> read = readValue(once, app::reportSection, app::reportKey);
    if (read != "1")
        broken("the host would read «" + read.value_or("(nothing)") + "» instead of 1");
    const std::string twice = app::setIniValue(once, app::reportSection, app::reportKey, "-1");
    if (twice != app::setIniValue(ini, app::reportSection, app::reportKey, "-1"))
        broken("setting the value twice gives another file than setting it once");
    return 0;
}
