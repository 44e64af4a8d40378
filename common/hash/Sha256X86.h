#pragma once

#include <cstddef>
#include <cstdint>

// SHA-256 blocks through the SHA extensions of x86 processors, where the processor has them: a
// backup hashes every table it copies and the centre document, and the portable code takes
// some 40 instructions a byte where these take about one.
namespace quelvane::hash {

// Whether compressSha256X86 can run here (always false off x86-64 or off GCC and Clang).
bool processorHasSha256();

// Folds `blocks` blocks of 64 bytes into the eight state words (a to h, in that order).
void compressSha256X86(std::uint32_t* state, const unsigned char* data, std::size_t blocks,
                       const std::uint32_t* roundConstants);

} // namespace quelvane::hash
