#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A reader of production index files for the tests, written apart from the engine's writer: it
// finds a tag by name, walks its B-tree from the root named in the tag header and lists the keys
// in tree order. It trusts nothing: any pointer out of the file, a node with more keys than fit,
// or a page met twice throws std::runtime_error.
namespace quelvane::dbase::testing {

struct MdxItem {
    std::string key; // the key's bytes, key length of the tag
    std::uint32_t record = 0;
};

struct MdxTag {
    char keyType = 0; // 'N', 'C', 'D'
    std::size_t keyLength = 0;
    std::string expression;
    std::vector<MdxItem> items; // in tree order
    int depth = 0; // levels, the leaves included
    int nodes = 0;
};

MdxTag readMdxTag(std::string_view file, std::string_view tagName);

// The value of a 12-byte numeric key (either digit-count convention).
double numericKeyValue(std::string_view key);

} // namespace quelvane::dbase::testing
