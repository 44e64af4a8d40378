#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

// The first row, in table order, that holds each text of one field: what locate answers, kept
// right while rows are appended and edited so that each locate costs one hash lookup.
namespace quelvane::dbase {

class LocateIndex {
public:
    // Rows must be given in increasing order while building; an appended row is always the last.
    void appended(std::string text, std::uint32_t row);

    // The row's text changed from `oldText` to `newText`. When the row was the first holder of
    // `oldText`, the next holder is searched among rows row + 1 to rows - 1 with `holds`.
    void changed(const std::string& oldText, std::string newText, std::uint32_t row, std::uint32_t rows,
                 const std::function<bool(std::uint32_t row, std::string_view text)>& holds);

    std::optional<std::uint32_t> first(std::string_view text) const;

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const noexcept { return std::hash<std::string_view> {}(text); }
    };
    std::unordered_map<std::string, std::uint32_t, Hash, std::equal_to<>> firstRow_;
};

} // namespace quelvane::dbase
