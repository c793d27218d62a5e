#include "raster/blend.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TOMBORA_AVX2 1
#endif

namespace {

// Channels in 16 bits of room each: eight or sixteen of them in a vector
// register, where the processor has one.
typedef uint16_t Words8 __attribute__((vector_size(16)));
typedef uint16_t Words16 __attribute__((vector_size(32)));

// The blend of each channel: (over * a + under * (255 - a)) / 255, rounded
// to the nearest, as (x + (x >> 8)) >> 8 with x = the sum + 128. The sum
// stays below 2^16, so it fits a channel's 16 bits. Channels is one
// channel in a plain integer, or a vector of Words8.
template <typename Channels>
[[gnu::always_inline]] inline Channels mix_channels(Channels over, Channels under, Channels a)
{
    const Channels x = over * a + under * (255 - a) + 128;
    return (x + (x >> 8)) >> 8;
}

// One pixel, a channel at a time; the top byte becomes the colour's.
uint32_t mix(uint32_t over, uint32_t under, uint32_t a)
{
    uint32_t out = over & 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8)
        out |= mix_channels((over >> shift) & 255, (under >> shift) & 255, a) << shift;
    return out;
}

#ifdef TOMBORA_AVX2
// Four pixels' channels in each 128-bit half: mix_channels written out
// for sixteen lanes, as clang refuses to hand a 256-bit vector to or from
// a function built without AVX, even one always inlined.
__attribute__((target("avx2"))) inline __m256i mix_words(__m256i over, __m256i under, __m256i a)
{
    const Words16 x = Words16(over) * Words16(a) + Words16(under) * (255 - Words16(a)) + 128;
    return __m256i((x + (x >> 8)) >> 8);
}

// Eight pixels at a time where the processor has AVX2 (the package is
// built for any x86-64, so it is asked at run time), lane for lane as the
// four-pixel loop below; returns how many pixels it did.
__attribute__((target("avx2"))) int blend_eights(uint32_t* row, const uint8_t* coverage, int n, uint32_t colour)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i over = _mm256_unpacklo_epi8(_mm256_set1_epi32(int(colour)), zero);
    const __m256i top = _mm256_set1_epi32(int(colour & 0xFF000000u)), low = _mm256_set1_epi32(0x00FFFFFF);
    // Coverage bytes 0-3 into the low half's words, 4-7 into the high's.
    const __m256i spread = _mm256_setr_epi8(0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3,  //
                                            4, 4, 4, 4, 5, 5, 5, 5, 6, 6, 6, 6, 7, 7, 7, 7);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(coverage + i));
        const __m256i a = _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(eight), spread);
        const __m256i under = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + i));
        __m256i out = _mm256_packus_epi16(mix_words(over, _mm256_unpacklo_epi8(under, zero), _mm256_unpacklo_epi8(a, zero)),
                                          mix_words(over, _mm256_unpackhi_epi8(under, zero), _mm256_unpackhi_epi8(a, zero)));
        out = _mm256_or_si256(_mm256_and_si256(out, low), top);
        out = _mm256_blendv_epi8(out, under, _mm256_cmpeq_epi32(a, zero));  // clear pixels kept whole
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + i), out);
    }
    return i;
}

// Asked once, before main; the processor is looked at first.
const bool HAS_AVX2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
#endif

}  // namespace

void blend_coverage(uint32_t* row, const uint8_t* coverage, int n, uint32_t colour)
{
    int i = 0;
#ifdef TOMBORA_AVX2
    if (HAS_AVX2)
        i = blend_eights(row, coverage, n, colour);
#endif
#ifdef __SSE2__
    // Four pixels at a time, their channels in eight 16-bit lanes: a
    // title's lines are redrawn every frame.
    const __m128i zero = _mm_setzero_si128();
    const __m128i over = _mm_unpacklo_epi8(_mm_set1_epi32(int(colour)), zero);
    const __m128i top = _mm_set1_epi32(int(colour & 0xFF000000u)), low = _mm_set1_epi32(0x00FFFFFF);
    auto blend = [&](__m128i under, __m128i a) {
        return __m128i(mix_channels(Words8(over), Words8(under), Words8(a)));
    };
    for (; i + 4 <= n; i += 4) {
        uint32_t four;
        std::memcpy(&four, coverage + i, 4);
        __m128i a = _mm_cvtsi32_si128(int(four));
        a = _mm_unpacklo_epi8(a, a);
        a = _mm_unpacklo_epi16(a, a);  // each coverage byte four times
        const __m128i under = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        __m128i out = _mm_packus_epi16(blend(_mm_unpacklo_epi8(under, zero), _mm_unpacklo_epi8(a, zero)),
                                       blend(_mm_unpackhi_epi8(under, zero), _mm_unpackhi_epi8(a, zero)));
        out = _mm_or_si128(_mm_and_si128(out, low), top);
        // Clear pixels are kept whole, their top byte too.
        const __m128i clear = _mm_cmpeq_epi32(a, zero);
        out = _mm_or_si128(_mm_and_si128(clear, under), _mm_andnot_si128(clear, out));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), out);
    }
#endif
    for (; i < n; ++i)
        if (coverage[i] != 0)
            row[i] = mix(colour, row[i], coverage[i]);
}
