#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// File operations of the engine. Everything that creates, replaces or deletes a file goes
// through here, so that one place decides how a file is made durable.
namespace quelvane::platform {

// Writes the bytes beside the target, flushes them to disk and renames over the target: the
// file is then either complete with the new bytes or as it was before. Throws quelvane::Error.
void atomicWriteFile(const std::filesystem::path& target, std::string_view bytes);

// Whole file into memory. Throws quelvane::Error naming the file.
std::string readFile(const std::filesystem::path& file);

// Removes the file if it exists. Throws when it exists and cannot be removed.
void removeFile(const std::filesystem::path& file);

// Renames, replacing the target. Throws quelvane::Error naming both.
void renameFile(const std::filesystem::path& from, const std::filesystem::path& to);

// fsync of a folder, so that renames in it survive a power cut (a no-op where unsupported).
void syncFolder(const std::filesystem::path& folder);

} // namespace quelvane::platform
