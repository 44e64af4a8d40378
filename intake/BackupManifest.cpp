#include "intake/BackupManifest.h"

#include <charconv>
#include <chrono>
#include <cstdio>

namespace quelvane::intake {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view firstLine = "quelvane-backup 1";
// The last line, so that a manifest cut short is not taken for a whole one.
constexpr std::string_view lastLine = "end";

std::string utf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

fs::path fromUtf8(std::string_view text)
{
    return fs::path(std::u8string(text.begin(), text.end()));
}

// A value kept on one line: "%", line feed and carriage return written as %25, %0A, %0D.
std::string escaped(std::string_view value)
{
    std::string out;
    for (const char c : value) {
        if (c == '%')
            out += "%25";
        else if (c == '\n')
            out += "%0A";
        else if (c == '\r')
            out += "%0D";
        else
            out += c;
    }
    return out;
}

std::optional<std::string> unescaped(std::string_view value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '%') {
            out += value[i];
            continue;
        }
        const std::string_view code = value.substr(i + 1, 2);
        if (code == "25")
            out += '%';
        else if (code == "0A")
            out += '\n';
        else if (code == "0D")
            out += '\r';
        else
            return std::nullopt;
        i += 2;
    }
    return out;
}

struct UtcTime {
    int year;
    unsigned month, day;
    long hours, minutes, seconds, ms;
};

UtcTime utcTime(std::int64_t ms)
{
    using namespace std::chrono;
    const sys_time<milliseconds> when {milliseconds {ms}};
    const sys_days day = floor<days>(when);
    const year_month_day date {day};
    const hh_mm_ss time {when - day};
    return {static_cast<int>(date.year()),
            static_cast<unsigned>(date.month()),
            static_cast<unsigned>(date.day()),
            static_cast<long>(time.hours().count()),
            static_cast<long>(time.minutes().count()),
            static_cast<long>(time.seconds().count()),
            static_cast<long>(time.subseconds().count())};
}

template <typename Number> bool parseNumber(std::string_view text, Number& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool isDigest(std::string_view text)
{
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

} // namespace

std::string isoUtcTime(std::int64_t ms)
{
    const UtcTime t = utcTime(ms);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02ld:%02ld:%02ld.%03ldZ", t.year, t.month, t.day, t.hours,
                  t.minutes, t.seconds, t.ms);
    return text;
}

std::string idTime(std::int64_t ms)
{
    const UtcTime t = utcTime(ms);
    char text[48];
    std::snprintf(text, sizeof text, "%04d%02u%02u-%02ld%02ld%02ld-%03ld", t.year, t.month, t.day, t.hours, t.minutes,
                  t.seconds, t.ms);
    return text;
}

std::optional<std::int64_t> idTimeMs(std::string_view id)
{
    // YYYYMMDD-hhmmss-mmm
    if (id.size() < 19 || id[8] != '-' || id[15] != '-')
        return std::nullopt;
    const auto number = [id](std::size_t at, std::size_t length) -> std::optional<unsigned> {
        unsigned value = 0;
        if (!parseNumber(id.substr(at, length), value))
            return std::nullopt;
        return value;
    };
    const auto y = number(0, 4), mo = number(4, 2), d = number(6, 2);
    const auto h = number(9, 2), mi = number(11, 2), s = number(13, 2), ms = number(16, 3);
    if (!y || !mo || !d || !h || !mi || !s || !ms)
        return std::nullopt;
    using namespace std::chrono;
    const year_month_day date {year {static_cast<int>(*y)}, month {*mo}, day {*d}};
    if (!date.ok() || *h > 23 || *mi > 59 || *s > 59)
        return std::nullopt;
    const sys_time<milliseconds> when
        = sys_days {date} + hours {*h} + minutes {*mi} + seconds {*s} + milliseconds {*ms};
    return when.time_since_epoch().count();
}

std::string manifestText(const Backup& backup)
{
    std::string out = std::string(firstLine) + "\n";
    out += "created=" + std::to_string(backup.createdMs) + "\n";
    // For a reader; the program goes by "created".
    out += "time=" + isoUtcTime(backup.createdMs) + "\n";
    out += "workdir=" + escaped(utf8(backup.workingFolder)) + "\n";
    out += "document=" + escaped(utf8(backup.centreDocument)) + "\n";
    out += "document-sha256=" + backup.centreDocumentSha256 + "\n";
    out += "restoring=" + escaped(backup.restoring) + "\n";
    for (const BackedUpFile& file : backup.files)
        out += "file=" + file.sha256 + " " + std::to_string(file.size) + " " + escaped(file.name) + "\n";
    return out + std::string(lastLine) + "\n";
}

std::optional<Backup> readManifest(std::string_view text)
{
    Backup backup;
    bool created = false;
    bool whole = false;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos)
            return std::nullopt;
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (lineNumber++ == 0) {
            if (line != firstLine)
                return std::nullopt;
            continue;
        }
        if (line == lastLine) {
            whole = text.empty();
            break;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            return std::nullopt;
        const std::string_view key = line.substr(0, equals);
        const std::optional<std::string> value = unescaped(line.substr(equals + 1));
        if (!value)
            return std::nullopt;
        if (key == "created") {
            created = parseNumber(*value, backup.createdMs);
            if (!created)
                return std::nullopt;
        } else if (key == "workdir") {
            backup.workingFolder = fromUtf8(*value);
        } else if (key == "document") {
            backup.centreDocument = fromUtf8(*value);
        } else if (key == "document-sha256") {
            backup.centreDocumentSha256 = *value;
        } else if (key == "restoring") {
            backup.restoring = *value;
        } else if (key == "file") {
            const std::size_t digestEnd = value->find(' ');
            const std::size_t sizeEnd = value->find(' ', digestEnd + 1);
            if (digestEnd == std::string::npos || sizeEnd == std::string::npos)
                return std::nullopt;
            BackedUpFile file;
            file.sha256 = value->substr(0, digestEnd);
            file.name = value->substr(sizeEnd + 1);
            if (!isDigest(file.sha256) || file.name.empty() || file.name.find_first_of("/\\:") != std::string::npos
                || file.name == "." || file.name == ".."
                || !parseNumber(std::string_view(*value).substr(digestEnd + 1, sizeEnd - digestEnd - 1), file.size))
                return std::nullopt;
            backup.files.push_back(std::move(file));
        }
        // Other keys ("time", and any that a later version adds) are for readers.
    }
    if (!whole || !created || backup.workingFolder.empty())
        return std::nullopt;
    return backup;
}

} // namespace quelvane::intake
