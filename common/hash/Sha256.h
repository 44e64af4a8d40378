#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// SHA-256 (FIPS 180-4), so that a backup can say which centre document it came from and notice
// a copied table that changed since, without a dependency for one small function.
namespace quelvane::hash {

class Sha256 {
public:
    // Uses the processor's SHA instructions where it has them.
    Sha256();
    // Never uses them: for the tests that hold both ways to the same digests.
    static Sha256 portable();

    void update(std::string_view bytes);
    // The digest as 64 lower-case hexadecimal digits. The object is spent afterwards.
    std::string finishHex();

private:
    explicit Sha256(bool useProcessor);
    void compress(const unsigned char* blocks, std::size_t count);
    void compressPortably(const unsigned char* block);

    bool useProcessor_;

    std::array<std::uint32_t, 8> state_;
    std::array<unsigned char, 64> block_ {};
    std::size_t blockLength_ = 0;
    std::uint64_t totalLength_ = 0;
};

// The digest of the bytes as 64 lower-case hexadecimal digits.
std::string sha256Hex(std::string_view bytes);

} // namespace quelvane::hash
