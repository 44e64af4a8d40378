#pragma once

#include <cstddef>
#include <string_view>

// A growing run of bytes in libxml2's own memory: it grows with xmlRealloc, which for large
// blocks remaps pages instead of copying them, and a text node can take it over whole. The
// timetable document of a large centre is tens of megabytes, written once as markup and once
// as the saved file; a std::string would copy and touch it again at every doubling.
namespace quelvane::xml {

class LibxmlBytes {
public:
    LibxmlBytes() = default;
    ~LibxmlBytes();
    LibxmlBytes(const LibxmlBytes&) = delete;
    LibxmlBytes& operator=(const LibxmlBytes&) = delete;

    // `count` more bytes at the end, uninitialised, for the caller to fill.
    char* extend(std::size_t count);
    void append(std::string_view bytes);
    void clear();

    std::string_view view() const { return {data_, size_}; }
    std::size_t size() const { return size_; }

    // The bytes, NUL-terminated, for the caller to free with xmlFree; the buffer is empty again.
    unsigned char* release();

private:
    void reserve(std::size_t capacity);

    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace quelvane::xml
