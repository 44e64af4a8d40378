#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// The 12-byte key of a numeric index tag: a decimal exponent byte, a sign-and-length byte and up to
// 20 binary-coded decimal digits. Equal numbers give equal keys.
namespace quelvane::dbase {

using NumericKey = std::array<std::uint8_t, 12>;

// The key of a number written in plain decimal ("-7", "19.99", "0.05"); digits beyond the
// twentieth are dropped. Nothing when the text is not such a number.
std::optional<NumericKey> numericKey(std::string_view decimal);

NumericKey numericKey(std::int64_t value);

// The key of a double, through its shortest decimal text, so that 19.99 keys as 19.99.
NumericKey numericKey(double value);

} // namespace quelvane::dbase
