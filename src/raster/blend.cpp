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

// One pixel: red and blue side by side in one word, green in another, each
// in 16 bits of room; x / 255 rounded is (x + 128 + ((x + 128) >> 8)) >> 8.
uint32_t mix(uint32_t over, uint32_t under, uint32_t a)
{
    const uint32_t b = 255 - a;
    uint32_t rb = (over & 0xFF00FFu) * a + (under & 0xFF00FFu) * b + 0x800080u;
    uint32_t g = (over & 0x00FF00u) * a + (under & 0x00FF00u) * b + 0x008000u;
    rb = ((rb + ((rb >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
    g = ((g + ((g >> 8) & 0x00FF00u)) >> 8) & 0x00FF00u;
    return (over & 0xFF000000u) | rb | g;
}

#ifdef TOMBORA_AVX2
// The sum below on sixteen 16-bit channels.
__attribute__((target("avx2"))) inline __m256i blend_words(__m256i over, __m256i under, __m256i a)
{
    const __m256i full = _mm256_set1_epi16(255), half = _mm256_set1_epi16(128);
    __m256i x = _mm256_add_epi16(_mm256_mullo_epi16(over, a), _mm256_mullo_epi16(under, _mm256_sub_epi16(full, a)));
    x = _mm256_add_epi16(x, half);
    return _mm256_srli_epi16(_mm256_add_epi16(x, _mm256_srli_epi16(x, 8)), 8);
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
        __m256i out = _mm256_packus_epi16(blend_words(over, _mm256_unpacklo_epi8(under, zero), _mm256_unpacklo_epi8(a, zero)),
                                          blend_words(over, _mm256_unpackhi_epi8(under, zero), _mm256_unpackhi_epi8(a, zero)));
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
    // Four pixels at a time, the same sum in 16-bit lanes: a title's lines
    // are redrawn every frame.
    const __m128i zero = _mm_setzero_si128();
    const __m128i over = _mm_unpacklo_epi8(_mm_set1_epi32(int(colour)), zero);
    const __m128i full = _mm_set1_epi16(255), half = _mm_set1_epi16(128);
    const __m128i top = _mm_set1_epi32(int(colour & 0xFF000000u)), low = _mm_set1_epi32(0x00FFFFFF);
    auto blend = [&](__m128i under, __m128i a) {
        __m128i x = _mm_add_epi16(_mm_mullo_epi16(over, a), _mm_mullo_epi16(under, _mm_sub_epi16(full, a)));
        x = _mm_add_epi16(x, half);
        return _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);
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
