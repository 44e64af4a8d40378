#include "DbaseMdxReader.h"

#include <charconv>
#include <set>
#include <stdexcept>

namespace quelvane::dbase::testing {

namespace {

std::uint32_t u16(std::string_view bytes, std::size_t at)
{
    if (at + 2 > bytes.size())
        throw std::runtime_error("read past the end at " + std::to_string(at));
    return static_cast<std::uint8_t>(bytes[at]) | (static_cast<std::uint8_t>(bytes[at + 1]) << 8);
}

std::uint32_t u32(std::string_view bytes, std::size_t at)
{
    return u16(bytes, at) | (u16(bytes, at + 2) << 16);
}

class Walker {
public:
    Walker(std::string_view file, std::size_t blockSize, std::size_t itemLength, std::size_t keyLength, MdxTag& tag)
        : file_(file)
        , blockSize_(blockSize)
        , itemLength_(itemLength)
        , keyLength_(keyLength)
        , tag_(tag)
    {
    }

    // Returns the subtree's last key, which the parent's item must carry.
    std::string walk(std::uint32_t page, int level)
    {
        if (level > 32)
            throw std::runtime_error("tree deeper than 32 levels");
        if (!visited_.insert(page).second)
            throw std::runtime_error("page " + std::to_string(page) + " reached twice");
        const std::size_t at = std::size_t {page} * 512;
        if (page == 0 || at + blockSize_ > file_.size())
            throw std::runtime_error("node page " + std::to_string(page) + " outside the file");
        const std::string_view node = file_.substr(at, blockSize_);
        ++tag_.nodes;
        const std::uint32_t keys = u32(node, 0);
        if (8 + std::size_t {keys} * itemLength_ + 4 > blockSize_)
            throw std::runtime_error("node at page " + std::to_string(page) + " claims " + std::to_string(keys)
                                     + " keys");
        const std::uint32_t after = u32(node, 8 + keys * itemLength_);
        if (after == 0) { // a leaf
            if (tag_.depth == 0)
                tag_.depth = level;
            else if (tag_.depth != level)
                throw std::runtime_error("leaves at different depths");
            std::string last;
            for (std::uint32_t i = 0; i < keys; ++i) {
                const std::size_t item = 8 + i * itemLength_;
                last = std::string(node.substr(item + 4, keyLength_));
                tag_.items.push_back(MdxItem {last, u32(node, item)});
            }
            return last;
        }
        if (keys == 0)
            throw std::runtime_error("interior node at page " + std::to_string(page) + " without keys");
        for (std::uint32_t i = 0; i < keys; ++i) {
            const std::size_t item = 8 + i * itemLength_;
            if (walk(u32(node, item), level + 1) != node.substr(item + 4, keyLength_))
                throw std::runtime_error("interior node at page " + std::to_string(page) + ": key " + std::to_string(i)
                                         + " is not its child's highest");
        }
        return walk(after, level + 1);
    }

private:
    std::string_view file_;
    std::size_t blockSize_;
    std::size_t itemLength_;
    std::size_t keyLength_;
    MdxTag& tag_;
    std::set<std::uint32_t> visited_;
};

} // namespace

MdxTag readMdxTag(std::string_view file, std::string_view tagName)
{
    if (file.size() < 2048 || file[0] != 0x02)
        throw std::runtime_error("not an index file");
    const std::size_t blockSize = u16(file, 22);
    const std::uint32_t tags = u16(file, 28);
    if (blockSize < 512 || blockSize % 512 != 0 || tags > 47)
        throw std::runtime_error("implausible file header");
    for (std::uint32_t slot = 0; slot < tags; ++slot) {
        const std::size_t at = 544 + slot * 32;
        const std::string_view stored = file.substr(at + 4, 11);
        if (stored.substr(0, stored.find('\0')) != tagName)
            continue;
        const std::size_t header = std::size_t {u32(file, at)} * 512;
        if (header + blockSize > file.size())
            throw std::runtime_error("tag header outside the file");
        MdxTag tag;
        tag.keyType = file[header + 9];
        tag.keyLength = u16(file, header + 12);
        const std::size_t itemLength = u16(file, header + 18);
        if (tag.keyLength == 0 || itemLength < tag.keyLength + 4)
            throw std::runtime_error("implausible key or item length");
        const std::string_view expression = file.substr(header + 24, 221);
        tag.expression = std::string(expression.substr(0, expression.find('\0')));
        (void)Walker(file, blockSize, itemLength, tag.keyLength, tag).walk(u32(file, header), 1);
        return tag;
    }
    throw std::runtime_error("no tag named " + std::string(tagName));
}

double numericKeyValue(std::string_view key)
{
    if (key.size() < 12)
        throw std::runtime_error("numeric key shorter than 12 bytes");
    const int exponent = static_cast<std::uint8_t>(key[0]) - 0x34;
    const auto lengthByte = static_cast<std::uint8_t>(key[1]);
    const bool negative = (lengthByte & 0x80) != 0;
    const int digits = (lengthByte >> 2) & 0x1F;
    // 0.d1d2d3... times ten to the exponent
    std::string text = negative ? "-0." : "0.";
    for (int i = 0; i < digits && i < 20; ++i) {
        const auto pair = static_cast<std::uint8_t>(key[2 + i / 2]);
        text += static_cast<char>('0' + (i % 2 == 0 ? pair >> 4 : pair & 0x0F));
    }
    if (digits == 0)
        text += '0';
    text += "e" + std::to_string(exponent);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

} // namespace quelvane::dbase::testing
