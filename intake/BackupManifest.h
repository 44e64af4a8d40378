#pragma once

#include "intake/Backup.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The manifest of a backup: plain UTF-8 text, one "key=value" per line, so that staff can read it
// and restore by hand when this program is not at hand.
namespace quelvane::intake {

inline constexpr std::string_view manifestName = "quelvane-backup.txt";

std::string manifestText(const Backup& backup);

// "2024-05-01T10:22:03.123Z"
std::string isoUtcTime(std::int64_t ms);

// The time part of a backup's id, "20240501-102203-123" (UTC, to the millisecond), and back.
std::string idTime(std::int64_t ms);
std::optional<std::int64_t> idTimeMs(std::string_view id);

// Everything of the backup but its id and folder; nothing when the text is not a whole manifest.
std::optional<Backup> readManifest(std::string_view text);

} // namespace quelvane::intake
