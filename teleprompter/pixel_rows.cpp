#include "teleprompter/pixel_rows.h"

#include <libyuv.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TANDREL_AVX2_ROWS 1
#endif

namespace tandrel {

namespace {

// x / 255, rounded, for x up to 255 * 255.
inline uint32_t div255(uint32_t x)
{
    x += 128;
    return (x + (x >> 8)) >> 8;
}

inline uint32_t blendPixel(uint32_t over, uint32_t under, uint32_t shade)
{
    const uint32_t rest = 255 - (over >> 24);
    uint32_t out = 0xff000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t c = ((over >> shift) & 0xff) + div255(((under >> shift) & 0xff) * rest);
        out |= div255(c * shade) << shift;
    }
    return out;
}

inline uint32_t shadePixel(uint32_t pixel, uint32_t factor)
{
    uint32_t out = 0xff000000u;
    for (int shift = 0; shift < 24; shift += 8)
        out |= div255(((pixel >> shift) & 0xff) * factor) << shift;
    return out;
}

#ifdef TANDREL_AVX2_ROWS
// Whole rows of a window are written once and read by the display server or
// the next paint long after, from memory either way: stores that go past the
// caches spare reading each line in before it is overwritten. They take a
// 32-byte boundary.
inline bool isStreamAligned(const uchar *to)
{
    return (reinterpret_cast<uintptr_t>(to) & 31) == 0;
}

// (x + 128) * 257 >> 16 is the div255() above to the last bit: one multiply
// instead of two shifts and an add.
__attribute__((target("avx2"))) inline __m256i div255(__m256i x)
{
    return _mm256_mulhi_epu16(_mm256_add_epi16(x, _mm256_set1_epi16(128)), _mm256_set1_epi16(257));
}

__attribute__((target("avx2"))) inline __m256i shaded(uint8_t shade, __m256i scale, __m256i lanes)
{
    return shade == 255 ? lanes : div255(_mm256_mullo_epi16(lanes, scale));
}

// Eight pixels at a time in 16-bit lanes: the under scaled by what the over
// leaves of it, the over added, the sum scaled by the shade; the alpha lane
// comes out opaque. A clear block of the over only scales the under, and
// with no under (black) a clear block is black.
template <bool overBlack>
__attribute__((target("avx2"))) void blendRowAvx2(const uchar *over, const uchar *under, uchar *to, int count,
                                                  uint8_t shade)
{
    const __m256i zero = _mm256_setzero_si256(), ones = _mm256_set1_epi8(-1);
    const __m256i opaque = _mm256_set1_epi32(int(0xff000000u)), scale = _mm256_set1_epi16(shade);
    // 255 - alpha of each pixel into the four 16-bit lanes its colour widens
    // to: the pixels 0 and 1 of each 128-bit half, then 2 and 3.
    const __m256i restLow = _mm256_setr_epi8(3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1, 3, -1, 3, -1, 3,
                                             -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1);
    const __m256i restHigh = _mm256_setr_epi8(11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1, 11,
                                              -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1);
    const auto *o32 = reinterpret_cast<const uint32_t *>(over);
    const auto *u32 = reinterpret_cast<const uint32_t *>(under);
    auto *t32 = reinterpret_cast<uint32_t *>(to);
    int i = 0;
    for (; i < count && !isStreamAligned(to + i * 4); ++i)
        t32[i] = blendPixel(o32[i], overBlack ? 0xff000000u : u32[i], shade);
    for (; i + 8 <= count; i += 8) {
        const __m256i o = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(over + i * 4));
        __m256i packed;
        if constexpr (overBlack) {
            if (_mm256_testz_si256(o, opaque)) {
                packed = opaque;
            } else {
                const __m256i low = shaded(shade, scale, _mm256_unpacklo_epi8(o, zero));
                const __m256i high = shaded(shade, scale, _mm256_unpackhi_epi8(o, zero));
                packed = _mm256_or_si256(_mm256_packus_epi16(low, high), opaque);
            }
        } else {
            const __m256i u = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(under + i * 4));
            if (_mm256_testz_si256(o, opaque)) {
                // Most of a text layer is clear: there the under shows as it is.
                packed = shade == 255 ? u
                                      : _mm256_packus_epi16(shaded(shade, scale, _mm256_unpacklo_epi8(u, zero)),
                                                            shaded(shade, scale, _mm256_unpackhi_epi8(u, zero)));
            } else {
                const __m256i left = _mm256_xor_si256(o, ones); // 255 - each byte
                __m256i halves[2];
                for (int h = 0; h < 2; ++h) {
                    const __m256i o16 = h ? _mm256_unpackhi_epi8(o, zero) : _mm256_unpacklo_epi8(o, zero);
                    const __m256i u16 = h ? _mm256_unpackhi_epi8(u, zero) : _mm256_unpacklo_epi8(u, zero);
                    const __m256i rest = _mm256_shuffle_epi8(left, h ? restHigh : restLow);
                    halves[h] = shaded(shade, scale, _mm256_add_epi16(o16, div255(_mm256_mullo_epi16(u16, rest))));
                }
                packed = _mm256_packus_epi16(halves[0], halves[1]);
            }
            packed = _mm256_or_si256(packed, opaque);
        }
        _mm256_stream_si256(reinterpret_cast<__m256i *>(to + i * 4), packed);
    }
    _mm_sfence();
    for (; i < count; ++i)
        t32[i] = blendPixel(o32[i], overBlack ? 0xff000000u : u32[i], shade);
}

// Eight pixels at a time: each pixel's factor spread to its four 16-bit
// lanes, the colour scaled by it; `from` is read backwards when mirrored.
__attribute__((target("avx2"))) void shadeRowAvx2(const uchar *from, const uint8_t *factors, uchar *to,
                                                  int count, bool mirrored)
{
    const __m256i zero = _mm256_setzero_si256(), opaque = _mm256_set1_epi32(int(0xff000000u));
    const __m256i reverse = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
    const auto *p = reinterpret_cast<const uint32_t *>(from);
    auto *t = reinterpret_cast<uint32_t *>(to);
    int i = 0;
    for (; i < count && !isStreamAligned(to + i * 4); ++i)
        t[i] = shadePixel(p[mirrored ? count - 1 - i : i], factors[i]);
    for (; i + 8 <= count; i += 8) {
        const uchar *source = mirrored ? from + (count - 8 - i) * 4 : from + i * 4;
        __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(source));
        if (mirrored)
            pixels = _mm256_permutevar8x32_epi32(pixels, reverse);
        __m256i f = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(factors + i)));
        f = _mm256_or_si256(f, _mm256_slli_epi32(f, 16)); // each factor in both words of its pixel
        const __m256i low = _mm256_mullo_epi16(_mm256_unpacklo_epi8(pixels, zero), _mm256_unpacklo_epi32(f, f));
        const __m256i high = _mm256_mullo_epi16(_mm256_unpackhi_epi8(pixels, zero), _mm256_unpackhi_epi32(f, f));
        const __m256i packed = _mm256_packus_epi16(div255(low), div255(high));
        _mm256_stream_si256(reinterpret_cast<__m256i *>(to + i * 4), _mm256_or_si256(packed, opaque));
    }
    _mm_sfence();
    for (; i < count; ++i)
        t[i] = shadePixel(p[mirrored ? count - 1 - i : i], factors[i]);
}

bool hasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

} // namespace

void blendRowOverPortable(const uchar *over, const uchar *under, uchar *to, int count, uint8_t shade)
{
    if (count <= 0)
        return;
    if (!under) {
        const auto *o = reinterpret_cast<const uint32_t *>(over);
        auto *t = reinterpret_cast<uint32_t *>(to);
        for (int i = 0; i < count; ++i)
            t[i] = blendPixel(o[i], 0xff000000u, shade);
        return;
    }
    libyuv::ARGBBlend(over, 0, under, 0, to, 0, count, 1);
    if (shade != 255)
        libyuv::ARGBShade(to, 0, to, 0, count, 1, 0xff000000u | shade * 0x010101u);
}

void shadeRowPortable(const uchar *from, const uint8_t *factors, uchar *to, int count, bool mirrored)
{
    const auto *p = reinterpret_cast<const uint32_t *>(from);
    auto *t = reinterpret_cast<uint32_t *>(to);
    for (int i = 0; i < count; ++i)
        t[i] = shadePixel(p[mirrored ? count - 1 - i : i], factors[i]);
}

void shadeRow(const uchar *from, const uint8_t *factors, uchar *to, int count, bool mirrored)
{
#ifdef TANDREL_AVX2_ROWS
    if (hasAvx2()) {
        shadeRowAvx2(from, factors, to, count, mirrored);
        return;
    }
#endif
    shadeRowPortable(from, factors, to, count, mirrored);
}

void blendRowOver(const uchar *over, const uchar *under, uchar *to, int count, uint8_t shade)
{
#ifdef TANDREL_AVX2_ROWS
    if (hasAvx2()) {
        if (under)
            blendRowAvx2<false>(over, under, to, count, shade);
        else
            blendRowAvx2<true>(over, under, to, count, shade);
        return;
    }
#endif
    blendRowOverPortable(over, under, to, count, shade);
}

} // namespace tandrel
