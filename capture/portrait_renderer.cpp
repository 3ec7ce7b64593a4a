#include "capture/portrait_renderer.h"

#include <libyuv.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#define TANDREL_PORTRAIT_X86 1
#include <immintrin.h>
#else
#define TANDREL_PORTRAIT_X86 0
#endif

namespace tandrel {

std::optional<PortraitCrop> portraitCrop(int width, int height, double cropOffset, bool flipHorizontal)
{
    if (width <= 1 || height <= 1)
        return std::nullopt;
    if (height > width)
        return PortraitCrop{0, width};

    const double offset = std::isfinite(cropOffset) ? std::clamp(cropOffset, 0.0, 1.0) : 0.5;
    const double exact = std::min(double(width), height * 9 * 0.0625);
    const int cropWidth = std::clamp(int(std::lround(exact / 2)) * 2, 2, width);
    const int slack = width - cropWidth;
    // The offset counts in the mirrored image; its window starts `slack - x`
    // columns into the unmirrored source.
    const double mirroredX = offset * slack;
    const double sourceX = flipHorizontal ? slack - mirroredX : mirroredX;
    int x = std::min(int(std::lround(sourceX / 2)) * 2, slack);
    if (x % 2 != 0)
        --x;
    return PortraitCrop{std::max(x, 0), cropWidth};
}

namespace {

const GstVideoInfo &outputInfo()
{
    static const GstVideoInfo info = [] {
        GstVideoInfo i;
        gst_video_info_set_format(&i, GST_VIDEO_FORMAT_I420, PortraitRenderer::OutputWidth,
                                  PortraitRenderer::OutputHeight);
        return i;
    }();
    return info;
}

using PackedToI420 = int (*)(const uint8_t *, int, uint8_t *, int, uint8_t *, int, uint8_t *, int, int, int);

// libyuv names packed RGB formats by their little-endian word, GStreamer by
// their byte order: GStreamer's BGRA is libyuv's ARGB.
PackedToI420 packedConverter(GstVideoFormat format, int *bytesPerPixel)
{
    *bytesPerPixel = 4;
    switch (format) {
    case GST_VIDEO_FORMAT_BGRA:
    case GST_VIDEO_FORMAT_BGRx:
        return libyuv::ARGBToI420;
    case GST_VIDEO_FORMAT_RGBA:
    case GST_VIDEO_FORMAT_RGBx:
        return libyuv::ABGRToI420;
    case GST_VIDEO_FORMAT_ARGB:
    case GST_VIDEO_FORMAT_xRGB:
        return libyuv::BGRAToI420;
    case GST_VIDEO_FORMAT_ABGR:
    case GST_VIDEO_FORMAT_xBGR:
        return libyuv::RGBAToI420;
    case GST_VIDEO_FORMAT_YUY2:
        *bytesPerPixel = 2;
        return nullptr;
    case GST_VIDEO_FORMAT_UYVY:
        *bytesPerPixel = 2;
        return nullptr;
    default:
        return nullptr;
    }
}

// Where an output sample reads along one axis: source samples `index` and
// `index + 1`, `fraction`/256 of the way to the second. Placed as libyuv's
// bilinear scaler places them, which earlier takes were rendered with: an
// enlargement maps the first and last output samples onto the source's first
// and last, a reduction centres each on its share of the source.
struct AxisSample
{
    int index;
    int fraction;
};

class Axis
{
public:
    Axis(int source, int target) : m_last(int64_t(std::max(source - 1, 0)) << 16)
    {
        if (target <= source) {
            m_step = (int64_t(source) << 16) / target;
            m_start = (m_step >> 1) - 32768;
        } else if (source > 1 && target > 1) {
            m_step = ((int64_t(source) << 16) - 0x10001) / (target - 1);
        }
    }
    // Only an output as long as its source reaches the last sample, which it
    // takes whole: that output is a plain copy, as libyuv makes it.
    AxisSample operator[](int i) const
    {
        const int64_t p = std::min(m_start + i * m_step, m_last);
        return {int(p >> 16), int((p >> 8) & 255)};
    }

private:
    int64_t m_start = 0, m_step = 0, m_last;
};

// Rounds as libyuv's row interpolation does; the vector code computes
// exactly the same.
inline uint8_t blend(int a, int b, int fraction)
{
    return uint8_t((a * (256 - fraction) + b * fraction + 128) >> 8);
}

struct Taps
{
    const int32_t *first, *second;
    const uint8_t *fraction;
};

void stretchSamples(const Taps &t, int from, int to, const uint8_t *row, int channel, uint8_t *out)
{
    for (int i = from; i < to; ++i)
        out[i] = blend(row[t.first[i] + channel], row[t.second[i] + channel], t.fraction[i]);
}

void blendRowsPlain(const uint8_t *a, const uint8_t *b, int fraction, uint8_t *out, int from, int to)
{
    for (int i = from; i < to; ++i)
        out[i] = blend(a[i], b[i], fraction);
}

#if TANDREL_PORTRAIT_X86
// Read while static objects are built, before the compiler's own start-up
// code may have run: hence the explicit init.
const bool hasSsse3 = (__builtin_cpu_init(), __builtin_cpu_supports("ssse3"));
const bool hasAvx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));

struct Gathered
{
    const int32_t *base;
    const uint8_t *shuffles, *weights;
    int blocks;
};

// Each block gathers its eight (first, second) byte pairs with one shuffle
// and weighs them with one multiply-add: the pairs are made signed by
// flipping their top bit, which takes 128 × 256 off every sum, and the
// bias adds it back together with the rounding.
__attribute__((target("ssse3"))) void stretchBlocksSsse3(const Gathered &g, const Taps &t, int outWidth,
                                                         const uint8_t *row, int channel, uint8_t *out,
                                                         int from, int to)
{
    const __m128i sign = _mm_set1_epi8(char(0x80));
    const __m128i bias = _mm_set1_epi16(short(0x8080));
    const __m128i shift = _mm_set1_epi8(char(channel));
    for (int k = from; k < to; ++k) {
        const int base = g.base[k];
        if (base < 0) {
            stretchSamples(t, k * 8, std::min(outWidth, k * 8 + 8), row, channel, out);
            continue;
        }
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + base));
        const __m128i shuffle = _mm_add_epi8(
                _mm_loadu_si128(reinterpret_cast<const __m128i *>(g.shuffles + k * 16)), shift);
        const __m128i pairs = _mm_xor_si128(_mm_shuffle_epi8(pixels, shuffle), sign);
        const __m128i weights = _mm_loadu_si128(reinterpret_cast<const __m128i *>(g.weights + k * 16));
        const __m128i sums = _mm_add_epi16(_mm_maddubs_epi16(weights, pairs), bias);
        const __m128i samples = _mm_packus_epi16(_mm_srli_epi16(sums, 8), _mm_setzero_si128());
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out + k * 8), samples);
    }
}

// Blocks k and k + 1, one in each half of the register.
__attribute__((target("avx2"))) inline __m256i weighBlocks(const Gathered &g, const uint8_t *row, int k,
                                                           __m256i shift)
{
    const __m256i pixels = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(row + g.base[k]))),
            _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + g.base[k + 1])), 1);
    const __m256i shuffle = _mm256_add_epi8(
            _mm256_loadu_si256(reinterpret_cast<const __m256i *>(g.shuffles + k * 16)), shift);
    const __m256i pairs
            = _mm256_xor_si256(_mm256_shuffle_epi8(pixels, shuffle), _mm256_set1_epi8(char(0x80)));
    const __m256i weights = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(g.weights + k * 16));
    return _mm256_srli_epi16(
            _mm256_add_epi16(_mm256_maddubs_epi16(weights, pairs), _mm256_set1_epi16(short(0x8080))), 8);
}

// Four blocks at a time, one in each half of two registers.
__attribute__((target("avx2"))) void stretchRowAvx2(const Gathered &g, const Taps &t, int outWidth,
                                                    const uint8_t *row, int channel, uint8_t *out)
{
    const __m256i shift = _mm256_set1_epi8(char(channel));
    int k = 0;
    for (; k + 4 <= g.blocks; k += 4) {
        const int32_t *base = g.base + k;
        if ((base[0] | base[1] | base[2] | base[3]) < 0) {
            stretchBlocksSsse3(g, t, outWidth, row, channel, out, k, k + 4);
            continue;
        }
        const __m256i low = weighBlocks(g, row, k, shift);
        const __m256i high = weighBlocks(g, row, k + 2, shift);
        // Packing interleaves the halves: blocks 0, 2, 1, 3.
        const __m256i samples = _mm256_permute4x64_epi64(_mm256_packus_epi16(low, high), 0xd8);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + k * 8), samples);
    }
    stretchBlocksSsse3(g, t, outWidth, row, channel, out, k, g.blocks);
}

__attribute__((target("avx2"))) void blendRowsAvx2(const uint8_t *a, const uint8_t *b, int fraction,
                                                   uint8_t *out, int width)
{
    const __m256i sign = _mm256_set1_epi8(char(0x80));
    const __m256i bias = _mm256_set1_epi16(short(0x8080));
    const __m256i weights = _mm256_set1_epi16(short((fraction << 8) | (256 - fraction)));
    int i = 0;
    for (; i + 32 <= width; i += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(a + i));
        const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(b + i));
        const __m256i low = _mm256_xor_si256(_mm256_unpacklo_epi8(x, y), sign);
        const __m256i high = _mm256_xor_si256(_mm256_unpackhi_epi8(x, y), sign);
        const __m256i l = _mm256_srli_epi16(_mm256_add_epi16(_mm256_maddubs_epi16(weights, low), bias), 8);
        const __m256i h = _mm256_srli_epi16(_mm256_add_epi16(_mm256_maddubs_epi16(weights, high), bias), 8);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i), _mm256_packus_epi16(l, h));
    }
    blendRowsPlain(a, b, fraction, out, i, width);
}

__attribute__((target("ssse3"))) void blendRowsSsse3(const uint8_t *a, const uint8_t *b, int fraction,
                                                     uint8_t *out, int width)
{
    const __m128i sign = _mm_set1_epi8(char(0x80));
    const __m128i bias = _mm_set1_epi16(short(0x8080));
    const __m128i weights = _mm_set1_epi16(short((fraction << 8) | (256 - fraction)));
    int i = 0;
    for (; i + 16 <= width; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(a + i));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + i));
        const __m128i low = _mm_xor_si128(_mm_unpacklo_epi8(x, y), sign);
        const __m128i high = _mm_xor_si128(_mm_unpackhi_epi8(x, y), sign);
        const __m128i l = _mm_srli_epi16(_mm_add_epi16(_mm_maddubs_epi16(weights, low), bias), 8);
        const __m128i h = _mm_srli_epi16(_mm_add_epi16(_mm_maddubs_epi16(weights, high), bias), 8);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_packus_epi16(l, h));
    }
    blendRowsPlain(a, b, fraction, out, i, width);
}
#endif

// `fraction` is 1…255: the rows' weights as bytes of one multiplier.
void blendRows(const uint8_t *a, const uint8_t *b, int fraction, uint8_t *out, int width)
{
#if TANDREL_PORTRAIT_X86
    if (hasAvx2)
        return blendRowsAvx2(a, b, fraction, out, width);
    if (hasSsse3)
        return blendRowsSsse3(a, b, fraction, out, width);
#endif
    blendRowsPlain(a, b, fraction, out, 0, width);
}

// 4:2:2 chroma of two rows of YUY2 or UYVY (U at byte `u` of each four, V
// two after) averaged into one row each of U and V, rounded up as libyuv's
// conversion to I420 does.
void averageChromaPlain(const uint8_t *top, const uint8_t *bottom, int u, int from, int to, uint8_t *outU,
                        uint8_t *outV)
{
    for (int i = from; i < to; ++i) {
        outU[i] = uint8_t((top[i * 4 + u] + bottom[i * 4 + u] + 1) >> 1);
        outV[i] = uint8_t((top[i * 4 + u + 2] + bottom[i * 4 + u + 2] + 1) >> 1);
    }
}

#if TANDREL_PORTRAIT_X86
__attribute__((target("ssse3"))) void averageChromaSsse3(const uint8_t *top, const uint8_t *bottom, int u,
                                                         int width, uint8_t *outU, uint8_t *outV)
{
    // Each 16 bytes hold four U and four V: gathered into the low eight.
    const __m128i gather = u ? _mm_setr_epi8(1, 5, 9, 13, 3, 7, 11, 15, -1, -1, -1, -1, -1, -1, -1, -1)
                             : _mm_setr_epi8(0, 4, 8, 12, 2, 6, 10, 14, -1, -1, -1, -1, -1, -1, -1, -1);
    int i = 0;
    for (; i + 8 <= width; i += 8) {
        const auto *t = reinterpret_cast<const __m128i *>(top + i * 4);
        const auto *b = reinterpret_cast<const __m128i *>(bottom + i * 4);
        const __m128i low = _mm_shuffle_epi8(_mm_avg_epu8(_mm_loadu_si128(t), _mm_loadu_si128(b)), gather);
        const __m128i high
                = _mm_shuffle_epi8(_mm_avg_epu8(_mm_loadu_si128(t + 1), _mm_loadu_si128(b + 1)), gather);
        const __m128i uv = _mm_unpacklo_epi32(low, high); // U 0-3, U 4-7, V 0-3, V 4-7
        _mm_storel_epi64(reinterpret_cast<__m128i *>(outU + i), uv);
        _mm_storel_epi64(reinterpret_cast<__m128i *>(outV + i), _mm_unpackhi_epi64(uv, uv));
    }
    averageChromaPlain(top, bottom, u, i, width, outU, outV);
}
#endif

void averageChroma(const uint8_t *top, const uint8_t *bottom, int u, int width, uint8_t *outU, uint8_t *outV)
{
#if TANDREL_PORTRAIT_X86
    if (hasSsse3)
        return averageChromaSsse3(top, bottom, u, width, outU, outV);
#endif
    averageChromaPlain(top, bottom, u, 0, width, outU, outV);
}

} // namespace

PortraitSource PortraitSource::fromFrame(const GstVideoFrame &frame)
{
    PortraitSource s;
    s.format = GST_VIDEO_FRAME_FORMAT(&frame);
    s.width = GST_VIDEO_FRAME_WIDTH(&frame);
    s.height = GST_VIDEO_FRAME_HEIGHT(&frame);
    for (guint i = 0; i < GST_VIDEO_FRAME_N_PLANES(&frame); ++i) {
        s.planes[i] = static_cast<const uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&frame, i));
        s.strides[i] = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, i);
    }
    return s;
}

GstCaps *PortraitRenderer::outputCaps()
{
    return gst_video_info_to_caps(&outputInfo());
}

GstVideoColorimetry PortraitRenderer::outputColorimetry(const GstVideoInfo &source)
{
    GstVideoColorimetry colorimetry = source.colorimetry;
    if (!GST_VIDEO_INFO_IS_YUV(&source) || colorimetry.matrix == GST_VIDEO_COLOR_MATRIX_UNKNOWN)
        gst_video_colorimetry_from_string(&colorimetry, GST_VIDEO_COLORIMETRY_BT601);
    return colorimetry;
}

bool PortraitRenderer::supportsFormat(GstVideoFormat format)
{
    switch (format) {
    case GST_VIDEO_FORMAT_I420:
    case GST_VIDEO_FORMAT_YV12:
    case GST_VIDEO_FORMAT_NV12:
    case GST_VIDEO_FORMAT_NV21:
    case GST_VIDEO_FORMAT_YUY2:
    case GST_VIDEO_FORMAT_UYVY:
        return true;
    default: {
        int bpp;
        return packedConverter(format, &bpp) != nullptr;
    }
    }
}

void PortraitRenderer::Planes::resize(int w, int h)
{
    if (w == width && h == height)
        return;
    width = w;
    height = h;
    strideY = w;
    strideUV = (w + 1) / 2;
    const size_t ySize = size_t(strideY) * h;
    const size_t uvSize = size_t(strideUV) * ((h + 1) / 2);
    storage.resize(ySize + 2 * uvSize);
    y = storage.data();
    u = y + ySize;
    v = u + uvSize;
}

// The planes of the crop window, read in place where the source is planar
// or NV12-like (its chroma read interleaved); packed sources are converted
// at the crop's size, which is smaller than the output's.
bool PortraitRenderer::cropPlanes(const PortraitSource &source, const PortraitCrop &crop, PlaneView planes[3])
{
    const GstVideoFormat format = source.format;
    const int w = crop.width, h = source.height;
    const int cw = (w + 1) / 2, ch = (h + 1) / 2;
    const int x = crop.x;
    planes[0] = {source.planes[0] + x, source.strides[0], w, h, 0};
    if (format == GST_VIDEO_FORMAT_I420 || format == GST_VIDEO_FORMAT_YV12) {
        // YV12 keeps V before U.
        const int ui = format == GST_VIDEO_FORMAT_I420 ? 1 : 2, vi = 3 - ui;
        planes[1] = {source.planes[ui] + x / 2, source.strides[ui], cw, ch, 0};
        planes[2] = {source.planes[vi] + x / 2, source.strides[vi], cw, ch, 0};
        return true;
    }
    if (format == GST_VIDEO_FORMAT_NV12 || format == GST_VIDEO_FORMAT_NV21) {
        const int uChannel = format == GST_VIDEO_FORMAT_NV12 ? 0 : 1;
        planes[1] = {source.planes[1] + x, source.strides[1], cw, ch, uChannel, 2};
        planes[2] = {source.planes[1] + x, source.strides[1], cw, ch, 1 - uChannel, 2};
        return true;
    }
    const bool yuy2 = format == GST_VIDEO_FORMAT_YUY2;
    if ((yuy2 || format == GST_VIDEO_FORMAT_UYVY) && w % 2 == 0) {
        // Luma is read in place; only the chroma is converted.
        m_cropped.resize(w, h);
        const uint8_t *packed = source.planes[0] + x * 2;
        for (int row = 0; row < ch; ++row) {
            const uint8_t *top = packed + ptrdiff_t(row) * 2 * source.strides[0];
            const uint8_t *bottom = row * 2 + 1 < h ? top + source.strides[0] : top;
            averageChroma(top, bottom, yuy2 ? 1 : 0, cw, m_cropped.u + ptrdiff_t(row) * m_cropped.strideUV,
                          m_cropped.v + ptrdiff_t(row) * m_cropped.strideUV);
        }
        planes[0] = {packed, source.strides[0], w, h, yuy2 ? 0 : 1, 2};
        planes[1] = {m_cropped.u, m_cropped.strideUV, cw, ch, 0};
        planes[2] = {m_cropped.v, m_cropped.strideUV, cw, ch, 0};
        return true;
    }
    m_cropped.resize(w, h);
    int bpp = 0;
    int rc = -1;
    if (PackedToI420 convert = packedConverter(format, &bpp)) {
        rc = convert(source.planes[0] + x * bpp, source.strides[0], m_cropped.y, m_cropped.strideY,
                     m_cropped.u, m_cropped.strideUV, m_cropped.v, m_cropped.strideUV, w, h);
    } else if (format == GST_VIDEO_FORMAT_YUY2 || format == GST_VIDEO_FORMAT_UYVY) {
        const auto convert = format == GST_VIDEO_FORMAT_YUY2 ? libyuv::YUY2ToI420 : libyuv::UYVYToI420;
        rc = convert(source.planes[0] + x * 2, source.strides[0], m_cropped.y, m_cropped.strideY, m_cropped.u,
                     m_cropped.strideUV, m_cropped.v, m_cropped.strideUV, w, h);
    }
    if (rc != 0)
        return false;
    planes[0] = {m_cropped.y, m_cropped.strideY, w, h, 0};
    planes[1] = {m_cropped.u, m_cropped.strideUV, cw, ch, 0};
    planes[2] = {m_cropped.v, m_cropped.strideUV, cw, ch, 0};
    return true;
}

void PortraitRenderer::RowStretch::prepare(int sourceWidth_, int outWidth_, int sampleBytes_, bool mirror_)
{
    if (sourceWidth == sourceWidth_ && outWidth == outWidth_ && sampleBytes == sampleBytes_
        && mirror == mirror_)
        return;
    sourceWidth = sourceWidth_;
    outWidth = outWidth_;
    sampleBytes = sampleBytes_;
    mirror = mirror_;
    first.resize(outWidth);
    second.resize(outWidth);
    fraction.resize(outWidth);
    const Axis axis(sourceWidth, outWidth);
    for (int i = 0; i < outWidth; ++i) {
        const AxisSample s = axis[i];
        int a = s.index, b = s.fraction ? s.index + 1 : s.index;
        if (mirror) {
            a = sourceWidth - 1 - a;
            b = sourceWidth - 1 - b;
        }
        first[i] = a * sampleBytes;
        second[i] = b * sampleBytes;
        fraction[i] = uint8_t(s.fraction);
    }

    // A block's base is its lowest byte, moved back where the row would end
    // within 16 bytes so that its load stays inside the row. Interleaved
    // chroma reads one byte further for its second channel.
    const int rowBytes = sourceWidth * sampleBytes;
    const int blocks = (outWidth + 7) / 8;
    blockBase.assign(blocks, -1);
    shuffles.assign(size_t(blocks) * 16, 0);
    weights.assign(size_t(blocks) * 16, 0);
    for (int k = 0; k < blocks; ++k) {
        const int end = std::min(outWidth, k * 8 + 8);
        int low = INT_MAX, high = 0;
        for (int i = k * 8; i < end; ++i) {
            low = std::min({low, first[i], second[i]});
            high = std::max({high, first[i], second[i]});
        }
        high += sampleBytes - 1;
        const int base = std::min(low, rowBytes - 16);
        if (rowBytes < 16 || high - base > 15)
            continue;
        blockBase[k] = base;
        for (int i = k * 8; i < end; ++i) {
            uint8_t *shuffle = &shuffles[size_t(i) * 2], *weight = &weights[size_t(i) * 2];
            shuffle[0] = uint8_t(first[i] - base);
            shuffle[1] = uint8_t(second[i] - base);
            // A sample on the source's grid weighs its one byte twice by half.
            weight[0] = fraction[i] ? uint8_t(256 - fraction[i]) : 128;
            weight[1] = fraction[i] ? fraction[i] : 128;
        }
    }
}

void PortraitRenderer::RowStretch::stretch(const uint8_t *row, int channel, uint8_t *out) const
{
#if TANDREL_PORTRAIT_X86
    const Gathered g{blockBase.data(), shuffles.data(), weights.data(), int(blockBase.size())};
    const Taps t{first.data(), second.data(), fraction.data()};
    if (hasAvx2)
        return stretchRowAvx2(g, t, outWidth, row, channel, out);
    if (hasSsse3)
        return stretchBlocksSsse3(g, t, outWidth, row, channel, out, 0, g.blocks);
#endif
    stretchSamples(Taps{first.data(), second.data(), fraction.data()}, 0, outWidth, row, channel, out);
}

// Rows are stretched to the output width first, each source row once, and
// output rows blended from the two nearest: the widening reads across a
// row, the costlier direction, on the fewer rows.
const uint8_t *PortraitRenderer::stretchedRow(const PlaneView &plane, const RowStretch &stretch, int row)
{
    ++m_rowClock;
    for (int slot : {0, 1})
        if (m_rowIndex[slot] == row) {
            m_rowUse[slot] = m_rowClock;
            return m_rows[slot].data();
        }
    const int slot = m_rowUse[0] <= m_rowUse[1] ? 0 : 1;
    // Room past the end for the vector path's whole blocks.
    m_rows[slot].resize(size_t(stretch.outWidth) + 32);
    stretch.stretch(plane.data + ptrdiff_t(row) * plane.stride, plane.channel, m_rows[slot].data());
    // The source's rows are far apart and read once: ask early for the
    // next ones in the direction of reading, which the hardware does not
    // guess across the stride.
    const int next = row + (row > m_rowIndex[1 - slot] ? 2 : -2);
    if (next >= 0 && next < plane.height) {
        const uint8_t *ahead = plane.data + ptrdiff_t(next) * plane.stride;
        for (int i = 0; i < stretch.sourceWidth * stretch.sampleBytes; i += 64)
            __builtin_prefetch(ahead + i);
    }
    m_rowIndex[slot] = row;
    m_rowUse[slot] = m_rowClock;
    return m_rows[slot].data();
}

void PortraitRenderer::scalePlane(const PlaneView &plane, const RowStretch &stretch, bool flipVertical,
                                  uint8_t *out, int outStride, int outHeight)
{
    m_rowIndex[0] = m_rowIndex[1] = -1;
    const int width = stretch.outWidth;
    const Axis axis(plane.height, outHeight);
    for (int y = 0; y < outHeight; ++y, out += outStride) {
        const AxisSample s = axis[y];
        const int a = flipVertical ? plane.height - 1 - s.index : s.index;
        const uint8_t *top = stretchedRow(plane, stretch, a);
        if (s.fraction == 0) {
            std::memcpy(out, top, size_t(width));
            continue;
        }
        // The row just used stays: the other slot takes the second.
        const uint8_t *bottom = stretchedRow(plane, stretch, flipVertical ? a - 1 : a + 1);
        blendRows(top, bottom, s.fraction, out, width);
    }
}

GstBuffer *PortraitRenderer::renderPortraitFrame(const PortraitSource &source, double cropOffset,
                                                 bool flipHorizontal, bool flipVertical, GstBufferPool *pool)
{
    const auto crop = portraitCrop(source.width, source.height, cropOffset, flipHorizontal);
    PlaneView planes[3];
    if (!crop || !supportsFormat(source.format) || !cropPlanes(source, *crop, planes))
        return nullptr;

    GstBuffer *out = nullptr;
    if (pool) {
        GstBufferPoolAcquireParams params{};
        params.flags = GST_BUFFER_POOL_ACQUIRE_FLAG_DONTWAIT;
        if (gst_buffer_pool_acquire_buffer(pool, &out, &params) != GST_FLOW_OK)
            return nullptr;
    } else {
        out = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&outputInfo()), nullptr);
        if (!out)
            return nullptr;
    }

    GstVideoFrame target;
    if (!gst_video_frame_map(&target, &outputInfo(), out, GST_MAP_WRITE)) {
        gst_buffer_unref(out);
        return nullptr;
    }
    m_lumaStretch.prepare(planes[0].width, GST_VIDEO_FRAME_COMP_WIDTH(&target, 0), planes[0].sampleBytes,
                          flipHorizontal);
    m_chromaStretch.prepare(planes[1].width, GST_VIDEO_FRAME_COMP_WIDTH(&target, 1), planes[1].sampleBytes,
                            flipHorizontal);
    for (int i = 0; i < 3; ++i)
        scalePlane(planes[i], i == 0 ? m_lumaStretch : m_chromaStretch, flipVertical,
                   static_cast<uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&target, i)),
                   GST_VIDEO_FRAME_PLANE_STRIDE(&target, i), GST_VIDEO_FRAME_COMP_HEIGHT(&target, i));
    gst_video_frame_unmap(&target);
    return out;
}

} // namespace tandrel
