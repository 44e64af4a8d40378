#include "common/xml/LibxmlBytes.h"

#include "common/Error.h"

#include <algorithm>
#include <cstring>
#include <libxml/globals.h>
#include <limits>

namespace quelvane::xml {

LibxmlBytes::~LibxmlBytes()
{
    xmlFree(data_);
}

void LibxmlBytes::reserve(std::size_t capacity)
{
    void* grown = xmlRealloc(data_, capacity);
    if (grown == nullptr)
        throw Error("No hay memoria suficiente para el documento XML.");
    data_ = static_cast<char*>(grown);
    capacity_ = capacity;
}

char* LibxmlBytes::extend(std::size_t count)
{
    // One more byte than asked for is always kept, for the terminating NUL of release().
    if (count >= capacity_ - size_) {
        if (count >= std::numeric_limits<std::size_t>::max() / 2 - size_)
            throw Error("No hay memoria suficiente para el documento XML.");
        reserve(std::max({size_ + count + 1, capacity_ * 2, std::size_t {4096}}));
    }
    char* at = data_ + size_;
    size_ += count;
    return at;
}

void LibxmlBytes::append(std::string_view bytes)
{
    if (!bytes.empty())
        std::memcpy(extend(bytes.size()), bytes.data(), bytes.size());
}

void LibxmlBytes::clear()
{
    xmlFree(data_);
    data_ = nullptr;
    size_ = 0;
    capacity_ = 0;
}

unsigned char* LibxmlBytes::release()
{
    extend(0);
    data_[size_] = '\0';
    auto* bytes = reinterpret_cast<unsigned char*>(data_);
    data_ = nullptr;
    size_ = 0;
    capacity_ = 0;
    return bytes;
}

} // namespace quelvane::xml
