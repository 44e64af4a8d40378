#include "common/hash/Sha256X86.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#include <immintrin.h>
#define QUELVANE_SHA_X86 1
#endif

namespace quelvane::hash {

#ifdef QUELVANE_SHA_X86

bool processorHasSha256()
{
    static const bool has = [] {
        unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
        if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
            return false;
        const bool ssse3 = (ecx & (1u << 9)) != 0;
        const bool sse41 = (ecx & (1u << 19)) != 0;
        if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx))
            return false;
        const bool sha = (ebx & (1u << 29)) != 0;
        return ssse3 && sse41 && sha;
    }();
    return has;
}

// The four-round steps of the processor's SHA extensions over whole blocks. The state is kept
// in the order the instructions want (ABEF, CDGH) from the first block to the last.
__attribute__((target("sha,sse4.1,ssse3"))) void compressSha256X86(std::uint32_t* state, const unsigned char* data,
                                                                   std::size_t blocks,
                                                                   const std::uint32_t* roundConstants)
{
    const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bll, 0x0405060700010203ll);
    __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
    __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
    dcba = _mm_shuffle_epi32(dcba, 0xB1); // CDAB
    hgfe = _mm_shuffle_epi32(hgfe, 0x1B); // EFGH
    __m128i abef = _mm_alignr_epi8(dcba, hgfe, 8);
    __m128i cdgh = _mm_blend_epi16(hgfe, dcba, 0xF0);

    for (; blocks > 0; --blocks, data += 64) {
        const __m128i abefBefore = abef;
        const __m128i cdghBefore = cdgh;
        __m128i words[16];
        for (int group = 0; group < 16; ++group) {
            if (group < 4) {
                words[group]
                    = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * group)), byteSwap);
            } else {
                __m128i next = _mm_sha256msg1_epu32(words[group - 4], words[group - 3]);
                next = _mm_add_epi32(next, _mm_alignr_epi8(words[group - 1], words[group - 2], 4));
                words[group] = _mm_sha256msg2_epu32(next, words[group - 1]);
            }
            __m128i message = _mm_add_epi32(
                words[group], _mm_loadu_si128(reinterpret_cast<const __m128i*>(roundConstants + 4 * group)));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
            message = _mm_shuffle_epi32(message, 0x0E);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, message);
        }
        abef = _mm_add_epi32(abef, abefBefore);
        cdgh = _mm_add_epi32(cdgh, cdghBefore);
    }

    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

#else

bool processorHasSha256()
{
    return false;
}

void compressSha256X86(std::uint32_t*, const unsigned char*, std::size_t, const std::uint32_t*) { }

#endif

} // namespace quelvane::hash
