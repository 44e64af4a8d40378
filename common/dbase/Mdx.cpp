#include "common/dbase/Mdx.h"

#include "common/dbase/NumericKey.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quelvane::dbase {

namespace {

constexpr std::size_t pageSize = 512;
constexpr std::size_t blockSize = 1024;
constexpr std::size_t pagesPerBlock = blockSize / pageSize;
constexpr std::size_t fileHeaderSize = 2048;
constexpr std::size_t tagSlotsOffset = 544;
constexpr std::size_t tagHeaderPage = fileHeaderSize / pageSize;
constexpr std::size_t firstNodePage = tagHeaderPage + pagesPerBlock;
constexpr std::size_t keyLength = 12;
constexpr std::size_t itemLength = 16; // pointer + key, rounded up to a multiple of 4
constexpr std::size_t nodeHeader = 8;
constexpr std::size_t keysPerNode = (blockSize - nodeHeader - 4) / itemLength; // 63
static_assert(nodeHeader + keysPerNode * itemLength + 4 <= blockSize);

void put16(std::string& bytes, std::size_t at, std::size_t value)
{
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string& bytes, std::size_t at, std::size_t value)
{
    put16(bytes, at, value & 0xFFFF);
    put16(bytes, at + 2, (value >> 16) & 0xFFFF);
}

void putDate(std::string& bytes, std::size_t at, Date date)
{
    bytes[at] = static_cast<char>(date.year - 1900);
    bytes[at + 1] = static_cast<char>(date.month);
    bytes[at + 2] = static_cast<char>(date.day);
}

void putText(std::string& bytes, std::size_t at, std::string_view text, std::size_t room)
{
    const std::size_t size = std::min(text.size(), room);
    std::memcpy(bytes.data() + at, text.data(), size);
}

// A node written to the file, with the highest key below it (what its parent item carries).
struct BuiltNode {
    std::size_t page = 0;
    NumericKey highest {};
};

// Splits `count` items into groups of at most `most`, as even as possible, so that no node of a
// level is left nearly empty.
std::vector<std::size_t> evenGroups(std::size_t count, std::size_t most)
{
    const std::size_t groups = std::max<std::size_t>(1, (count + most - 1) / most);
    std::vector<std::size_t> sizes(groups, count / groups);
    for (std::size_t i = 0; i < count % groups; ++i)
        ++sizes[i];
    return sizes;
}

class TreeBuilder {
public:
    explicit TreeBuilder(std::string& file)
        : file_(file)
    {
    }

    // Leaves hold (record, key) items; the pointer after the last item stays 0, which marks a leaf.
    std::vector<BuiltNode> leaves(const std::vector<MdxEntry>& entries)
    {
        std::vector<BuiltNode> level;
        std::size_t next = 0;
        for (const std::size_t size : evenGroups(entries.size(), keysPerNode)) {
            std::string& block = newBlock(level);
            put32(block, 0, size);
            for (std::size_t i = 0; i < size; ++i) {
                const MdxEntry& entry = entries[next++];
                const NumericKey key = numericKey(entry.value);
                put32(block, nodeHeader + i * itemLength, entry.record);
                std::memcpy(block.data() + nodeHeader + i * itemLength + 4, key.data(), keyLength);
                level.back().highest = key;
            }
            if (size == 0)
                level.back().highest = numericKey(std::int64_t {0});
        }
        return level;
    }

    // An interior node of k children holds k - 1 items (child page, child's highest key) and the
    // last child's page after them.
    std::vector<BuiltNode> parents(const std::vector<BuiltNode>& children)
    {
        std::vector<BuiltNode> level;
        std::size_t next = 0;
        for (const std::size_t size : evenGroups(children.size(), keysPerNode + 1)) {
            std::string& block = newBlock(level);
            put32(block, 0, size - 1);
            for (std::size_t i = 0; i + 1 < size; ++i) {
                const BuiltNode& child = children[next++];
                put32(block, nodeHeader + i * itemLength, child.page);
                std::memcpy(block.data() + nodeHeader + i * itemLength + 4, child.highest.data(), keyLength);
            }
            const BuiltNode& last = children[next++];
            put32(block, nodeHeader + (size - 1) * itemLength, last.page);
            level.back().highest = last.highest;
        }
        return level;
    }

    std::size_t pages() const { return firstNodePage + blocks_.size() * pagesPerBlock; }

    void appendBlocks()
    {
        for (const std::string& block : blocks_)
            file_ += block;
    }

private:
    std::string& newBlock(std::vector<BuiltNode>& level)
    {
        level.push_back(BuiltNode {firstNodePage + blocks_.size() * pagesPerBlock, {}});
        blocks_.emplace_back(blockSize, '\0');
        return blocks_.back();
    }

    std::string& file_;
    std::vector<std::string> blocks_;
};

} // namespace

std::string buildNumericMdx(std::string_view tableName, std::string_view tag, std::string_view expression,
                            std::vector<MdxEntry> entries, Date date)
{
    for (MdxEntry& entry : entries)
        if (!std::isfinite(entry.value))
            entry.value = 0; // keyed as a blank, and kept out of the way of the ordering
    std::sort(entries.begin(), entries.end(), [](const MdxEntry& a, const MdxEntry& b) {
        return a.value != b.value ? a.value < b.value : a.record < b.record;
    });

    std::string file(fileHeaderSize + blockSize, '\0');
    TreeBuilder tree(file);
    std::vector<BuiltNode> level = tree.leaves(entries);
    while (level.size() > 1)
        level = tree.parents(level);
    const std::size_t rootPage = level.front().page;

    // File header.
    file[0] = 0x02;
    putDate(file, 1, date);
    putText(file, 4, tableName, 16);
    put16(file, 20, pagesPerBlock);
    put16(file, 22, blockSize);
    file[24] = 0x01; // production index
    file[25] = 0x30; // tag slots
    file[26] = 0x20; // slot length
    put16(file, 28, 1); // tags in use
    put32(file, 32, tree.pages());
    putDate(file, 44, date);
    file[529] = 0x01;

    // The one tag slot.
    const std::size_t slot = tagSlotsOffset;
    put32(file, slot, tagHeaderPage);
    putText(file, slot + 4, tag, 10);
    file[slot + 15] = 0x10;
    file[slot + 19] = 0x02;
    file[slot + 20] = 'N';

    // Tag header.
    const std::size_t header = tagHeaderPage * pageSize;
    put32(file, header, rootPage);
    put32(file, header + 4, pagesPerBlock); // as the independent writer of the fixtures stores it
    file[header + 8] = 0x10; // ascending, duplicates allowed
    file[header + 9] = 'N';
    put16(file, header + 12, keyLength);
    put16(file, header + 14, keysPerNode);
    put16(file, header + 18, itemLength);
    putText(file, header + 24, expression, 220);
    file[header + 246] = entries.empty() ? 0x00 : 0x01;

    tree.appendBlocks();
    return file;
}

std::optional<std::string> singleTagName(std::string_view mdx)
{
    if (mdx.size() < fileHeaderSize || mdx[0] != 0x02)
        return std::nullopt;
    const auto tags = static_cast<std::uint8_t>(mdx[28]) | (static_cast<std::uint8_t>(mdx[29]) << 8);
    if (tags != 1)
        return std::nullopt;
    const std::string_view name = mdx.substr(tagSlotsOffset + 4, 11);
    std::string tag(name.substr(0, name.find('\0')));
    if (tag.empty())
        return std::nullopt;
    return tag;
}

} // namespace quelvane::dbase
