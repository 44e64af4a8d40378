#include "app/ResultReport.h"

#include "common/platform/Files.h"
#include "common/text/Text.h"

#include <algorithm>
#include <optional>
#include <system_error>
#include <vector>

namespace quelvane::app {

namespace {

constexpr std::string_view utf8Bom = "\xEF\xBB\xBF";

struct Line {
    std::string_view content; // without its line ending
    std::string_view ending; // "\r\n", "\n" or "" for a last line without one
};

std::vector<Line> splitLines(std::string_view text)
{
    std::vector<Line> lines;
    while (!text.empty()) {
        const auto newline = text.find('\n');
        if (newline == std::string_view::npos) {
            lines.push_back({text, {}});
            break;
        }
        std::size_t contentEnd = newline;
        if (contentEnd > 0 && text[contentEnd - 1] == '\r') {
            --contentEnd;
        }
        lines.push_back({text.substr(0, contentEnd), text.substr(contentEnd, newline + 1 - contentEnd)});
        text.remove_prefix(newline + 1);
    }
    return lines;
}

std::string_view trimBlanks(std::string_view s)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool equalsAsciiIgnoringCase(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, [](char x, char y) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// The name of a section header line ("[ Name ]" gives "Name"), or nothing for any other line.
std::optional<std::string_view> sectionName(std::string_view content)
{
    const auto trimmed = trimBlanks(content);
    if (trimmed.empty() || trimmed.front() != '[') {
        return std::nullopt;
    }
    const auto close = trimmed.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return trimBlanks(trimmed.substr(1, close - 1));
}

// A "key=value" line; a comment never is one, even when it holds "=".
bool isEntry(std::string_view content)
{
    const auto trimmed = trimBlanks(content);
    return !trimmed.empty() && trimmed.front() != ';' && trimmed.find('=') != std::string_view::npos;
}

std::string_view lineEndingOf(std::string_view ini)
{
    const auto newline = ini.find('\n');
    if (newline != std::string_view::npos && (newline == 0 || ini[newline - 1] != '\r')) {
        return "\n";
    }
    return "\r\n";
}

} // namespace

std::string setIniValue(std::string_view ini, std::string_view section, std::string_view key, std::string_view value)
{
    const std::string_view newline = lineEndingOf(ini);
    const bool hasBom = ini.starts_with(utf8Bom);
    const std::string_view body = hasBom ? ini.substr(utf8Bom.size()) : ini;
    const std::vector<Line> lines = splitLines(body);

    const auto sectionLine = std::ranges::find_if(lines, [&](const Line& line) {
        const auto name = sectionName(line.content);
        return name && equalsAsciiIgnoringCase(*name, section);
    });

    std::string out;
    out.reserve(ini.size() + section.size() + key.size() + value.size() + 8);
    out.append(hasBom ? utf8Bom : std::string_view {});
    const auto appendLines = [&](auto from, auto to) {
        for (auto it = from; it != to; ++it) {
            out.append(it->content).append(it->ending);
        }
    };

    if (sectionLine == lines.end()) {
        appendLines(lines.begin(), lines.end());
        if (!lines.empty() && lines.back().ending.empty()) {
            out.append(newline);
        }
        out.append("[").append(section).append("]").append(newline);
        out.append(key).append("=").append(value).append(newline);
        return out;
    }

    const auto sectionEnd = std::find_if(sectionLine + 1, lines.end(),
                                         [](const Line& line) { return sectionName(line.content).has_value(); });
    const auto keyLine = std::find_if(sectionLine + 1, sectionEnd, [&](const Line& line) {
        return isEntry(line.content)
            && equalsAsciiIgnoringCase(trimBlanks(line.content.substr(0, line.content.find('='))), key);
    });

    if (keyLine != sectionEnd) {
        // Everything up to the value stays: the key's spelling and the blanks around "=".
        const std::string_view content = keyLine->content;
        auto valueStart = content.find('=') + 1;
        while (valueStart < content.size() && (content[valueStart] == ' ' || content[valueStart] == '\t')) {
            ++valueStart;
        }
        appendLines(lines.begin(), keyLine);
        out.append(content.substr(0, valueStart)).append(value).append(keyLine->ending);
        appendLines(keyLine + 1, lines.end());
        return out;
    }

    // After the section's last entry: blank lines and comments at its end separate it from, or
    // introduce, the next section.
    auto insertAfter = sectionEnd - 1;
    while (insertAfter != sectionLine && !isEntry(insertAfter->content)) {
        --insertAfter;
    }
    appendLines(lines.begin(), insertAfter + 1);
    if (insertAfter->ending.empty()) {
        out.append(newline);
    }
    out.append(key).append("=").append(value).append(newline);
    appendLines(insertAfter + 1, lines.end());
    return out;
}

void writeResultReport(const std::filesystem::path& folder, int code)
{
    const auto file = folder / reportFileName;
    std::error_code error;
    const bool exists = std::filesystem::exists(file, error);
    // When existence cannot even be asked, reading says why; writing blindly could lose the file.
    const std::string current = (exists || error) ? platform::readFile(file) : std::string {};
    platform::atomicWriteFile(file, setIniValue(current, reportSection, reportKey, text::integerText(code)));
}

} // namespace quelvane::app
