#include "common/dbase/LocateIndex.h"

namespace quelvane::dbase {

void LocateIndex::appended(std::string text, std::uint32_t row)
{
    firstRow_.try_emplace(std::move(text), row);
}

void LocateIndex::changed(const std::string& oldText, std::string newText, std::uint32_t row, std::uint32_t rows,
                          const std::function<bool(std::uint32_t row, std::string_view text)>& holds)
{
    const auto old = firstRow_.find(oldText);
    if (old != firstRow_.end() && old->second == row) {
        std::uint32_t next = row + 1;
        while (next < rows && !holds(next, oldText))
            ++next;
        if (next < rows)
            old->second = next;
        else
            firstRow_.erase(old);
    }
    const auto [entry, inserted] = firstRow_.try_emplace(std::move(newText), row);
    if (!inserted && row < entry->second)
        entry->second = row;
}

std::optional<std::uint32_t> LocateIndex::first(std::string_view text) const
{
    const auto found = firstRow_.find(text);
    if (found == firstRow_.end())
        return std::nullopt;
    return found->second;
}

} // namespace quelvane::dbase
