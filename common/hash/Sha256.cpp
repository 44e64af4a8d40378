#include "common/hash/Sha256.h"

#include "common/hash/Sha256X86.h"

#include <algorithm>
#include <cstring>

namespace quelvane::hash {

namespace {

constexpr std::array<std::uint32_t, 64> roundConstants {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::uint32_t rotateRight(std::uint32_t value, int bits)
{
    return (value >> bits) | (value << (32 - bits));
}

std::uint32_t bigEndian32(const unsigned char* bytes)
{
    return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 | std::uint32_t(bytes[2]) << 8
        | std::uint32_t(bytes[3]);
}

// One round. The callers rotate the roles of the eight working variables instead of moving
// their values, so that an unrolled block keeps them in registers: a backup hashes every table
// it copies and the centre document, tens of megabytes for a large centre.
inline void round(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t& d, std::uint32_t e, std::uint32_t f,
                  std::uint32_t g, std::uint32_t& h, std::uint32_t constantPlusWord)
{
    const std::uint32_t s1 = rotateRight(e, 6) ^ rotateRight(e, 11) ^ rotateRight(e, 25);
    const std::uint32_t choice = g ^ (e & (f ^ g));
    const std::uint32_t t1 = h + s1 + choice + constantPlusWord;
    const std::uint32_t s0 = rotateRight(a, 2) ^ rotateRight(a, 13) ^ rotateRight(a, 22);
    const std::uint32_t majority = (a & b) | (c & (a | b));
    d += t1;
    h = t1 + s0 + majority;
}

} // namespace

Sha256::Sha256()
    : Sha256(processorHasSha256())
{
}

Sha256::Sha256(bool useProcessor)
    : useProcessor_(useProcessor)
    , state_ {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19}
{
}

Sha256 Sha256::portable()
{
    return Sha256(false);
}

void Sha256::compress(const unsigned char* blocks, std::size_t count)
{
    if (count == 0)
        return;
    if (useProcessor_) {
        compressSha256X86(state_.data(), blocks, count, roundConstants.data());
        return;
    }
    for (; count > 0; --count, blocks += 64)
        compressPortably(blocks);
}

void Sha256::compressPortably(const unsigned char* block)
{
    std::array<std::uint32_t, 64> w;
    for (int i = 0; i < 16; ++i)
        w[i] = bigEndian32(block + 4 * i);
    for (int i = 16; i < 64; ++i) {
        const std::uint32_t s0 = rotateRight(w[i - 15], 7) ^ rotateRight(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const std::uint32_t s1 = rotateRight(w[i - 2], 17) ^ rotateRight(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    std::uint32_t e = state_[4], f = state_[5], g = state_[6], h = state_[7];
    for (int i = 0; i < 64; i += 8) {
        round(a, b, c, d, e, f, g, h, roundConstants[i] + w[i]);
        round(h, a, b, c, d, e, f, g, roundConstants[i + 1] + w[i + 1]);
        round(g, h, a, b, c, d, e, f, roundConstants[i + 2] + w[i + 2]);
        round(f, g, h, a, b, c, d, e, roundConstants[i + 3] + w[i + 3]);
        round(e, f, g, h, a, b, c, d, roundConstants[i + 4] + w[i + 4]);
        round(d, e, f, g, h, a, b, c, roundConstants[i + 5] + w[i + 5]);
        round(c, d, e, f, g, h, a, b, roundConstants[i + 6] + w[i + 6]);
        round(b, c, d, e, f, g, h, a, roundConstants[i + 7] + w[i + 7]);
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    state_[4] += e;
    state_[5] += f;
    state_[6] += g;
    state_[7] += h;
}

void Sha256::update(std::string_view bytes)
{
    if (bytes.empty())
        return;
    totalLength_ += bytes.size();
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t left = bytes.size();
    // Whole blocks are compressed where they lie; only the ends pass through block_.
    if (blockLength_ > 0) {
        const std::size_t taken = std::min(left, block_.size() - blockLength_);
        std::memcpy(block_.data() + blockLength_, data, taken);
        blockLength_ += taken;
        data += taken;
        left -= taken;
        if (blockLength_ < block_.size())
            return;
        compress(block_.data(), 1);
        blockLength_ = 0;
    }
    const std::size_t whole = left / block_.size();
    compress(data, whole);
    data += whole * block_.size();
    left -= whole * block_.size();
    std::memcpy(block_.data(), data, left);
    blockLength_ = left;
}

std::string Sha256::finishHex()
{
    const std::uint64_t bitLength = totalLength_ * 8;
    // The padding: a one bit, zeros up to 56 bytes into a block, then the length in bits.
    block_[blockLength_++] = 0x80;
    if (blockLength_ > 56) {
        while (blockLength_ < 64)
            block_[blockLength_++] = 0;
        compress(block_.data(), 1);
        blockLength_ = 0;
    }
    while (blockLength_ < 56)
        block_[blockLength_++] = 0;
    for (int i = 7; i >= 0; --i)
        block_[blockLength_++] = static_cast<unsigned char>(bitLength >> (8 * i));
    compress(block_.data(), 1);

    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(64);
    for (const std::uint32_t word : state_)
        for (int shift = 28; shift >= 0; shift -= 4)
            hex += digits[(word >> shift) & 0xf];
    return hex;
}

std::string sha256Hex(std::string_view bytes)
{
    Sha256 digest;
    digest.update(bytes);
    return digest.finishHex();
}

} // namespace quelvane::hash
