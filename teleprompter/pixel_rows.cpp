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

#ifdef TANDREL_AVX2_ROWS
__attribute__((target("avx2"))) inline __m256i div255(__m256i x)
{
    x = _mm256_add_epi16(x, _mm256_set1_epi16(128));
    return _mm256_srli_epi16(_mm256_add_epi16(x, _mm256_srli_epi16(x, 8)), 8);
}

// Eight pixels at a time in 16-bit lanes: the over's alpha spread to its
// pixel's four lanes, the under scaled by what the over leaves, both added,
// the sum scaled by the shade; the alpha lane comes out opaque.
__attribute__((target("avx2"))) void blendRowAvx2(const uchar *over, const uchar *under, uchar *to, int count,
                                                  uint8_t shade)
{
    const __m256i zero = _mm256_setzero_si256(), full = _mm256_set1_epi16(255);
    const __m256i opaque = _mm256_set1_epi32(int(0xff000000u)), scale = _mm256_set1_epi16(shade);
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i o = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(over + i * 4));
        const __m256i u = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(under + i * 4));
        __m256i halves[2];
        for (int h = 0; h < 2; ++h) {
            const __m256i o16 = h ? _mm256_unpackhi_epi8(o, zero) : _mm256_unpacklo_epi8(o, zero);
            const __m256i u16 = h ? _mm256_unpackhi_epi8(u, zero) : _mm256_unpacklo_epi8(u, zero);
            const __m256i alpha = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(o16, 0xff), 0xff);
            __m256i sum
                    = _mm256_add_epi16(o16, div255(_mm256_mullo_epi16(u16, _mm256_sub_epi16(full, alpha))));
            if (shade != 255)
                sum = div255(_mm256_mullo_epi16(sum, scale));
            halves[h] = sum;
        }
        const __m256i packed = _mm256_or_si256(_mm256_packus_epi16(halves[0], halves[1]), opaque);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(to + i * 4), packed);
    }
    const auto *o = reinterpret_cast<const uint32_t *>(over);
    const auto *u = reinterpret_cast<const uint32_t *>(under);
    auto *t = reinterpret_cast<uint32_t *>(to);
    for (; i < count; ++i)
        t[i] = blendPixel(o[i], u[i], shade);
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
    libyuv::ARGBBlend(over, 0, under, 0, to, 0, count, 1);
    if (shade != 255)
        libyuv::ARGBShade(to, 0, to, 0, count, 1, 0xff000000u | shade * 0x010101u);
}

void blendRowOver(const uchar *over, const uchar *under, uchar *to, int count, uint8_t shade)
{
#ifdef TANDREL_AVX2_ROWS
    if (hasAvx2()) {
        blendRowAvx2(over, under, to, count, shade);
        return;
    }
#endif
    blendRowOverPortable(over, under, to, count, shade);
}

} // namespace tandrel
