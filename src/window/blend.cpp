#include "window/blend.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
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

}  // namespace

void blend_coverage(uint32_t* row, const uint8_t* coverage, int n, uint32_t colour)
{
    int i = 0;
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
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), out);
    }
#endif
    for (; i < n; ++i)
        row[i] = mix(colour, row[i], coverage[i]);
}
