#include "capture/camera_format.h"

#include <gst/gst.h>
#include <tuple>

namespace tandrel {

namespace {

constexpr int maxWidth = 1920;
constexpr int maxHeight = 1080;
constexpr double maxFps = 30.0;

// The highest rate not above 30 per second in a framerate field (a fraction,
// a list or a range); {0, 1} when there is none.
std::pair<int, int> bestRate(const GValue *value)
{
    if (!value)
        return {0, 1};
    if (GST_VALUE_HOLDS_FRACTION(value)) {
        const int n = gst_value_get_fraction_numerator(value);
        const int d = gst_value_get_fraction_denominator(value);
        return d > 0 && double(n) / d <= maxFps ? std::pair(n, d) : std::pair(0, 1);
    }
    if (GST_VALUE_HOLDS_LIST(value)) {
        std::pair<int, int> best{0, 1};
        for (guint i = 0; i < gst_value_list_get_size(value); ++i) {
            const auto r = bestRate(gst_value_list_get_value(value, i));
            if (double(r.first) / r.second > double(best.first) / best.second)
                best = r;
        }
        return best;
    }
    if (GST_VALUE_HOLDS_FRACTION_RANGE(value)) {
        const GValue *lo = gst_value_get_fraction_range_min(value);
        const GValue *hi = gst_value_get_fraction_range_max(value);
        const double low
                = double(gst_value_get_fraction_numerator(lo)) / gst_value_get_fraction_denominator(lo);
        const double high
                = double(gst_value_get_fraction_numerator(hi)) / gst_value_get_fraction_denominator(hi);
        if (high <= maxFps)
            return {gst_value_get_fraction_numerator(hi), gst_value_get_fraction_denominator(hi)};
        if (low <= maxFps)
            return {30, 1};
    }
    return {0, 1};
}

// Fixed sizes only: a range of sizes (some virtual devices) is taken at the
// largest size it allows up to the limit.
bool sizeOf(const GstStructure *s, const char *field, int limit, int *out)
{
    const GValue *v = gst_structure_get_value(s, field);
    if (!v)
        return false;
    if (G_VALUE_HOLDS_INT(v)) {
        *out = g_value_get_int(v);
        return true;
    }
    if (GST_VALUE_HOLDS_INT_RANGE(v)) {
        *out = std::clamp(limit, gst_value_get_int_range_min(v), gst_value_get_int_range_max(v));
        return true;
    }
    return false;
}

} // namespace

QList<CameraFormat> cameraFormats(const GstCaps *caps)
{
    QList<CameraFormat> result;
    if (!caps)
        return result;
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        const GstStructure *s = gst_caps_get_structure(caps, i);
        CameraFormat f;
        if (gst_structure_has_name(s, "video/x-raw")) {
            f.encoding = CameraFormat::Encoding::raw;
            const gchar *format = gst_structure_get_string(s, "format");
            if (!format)
                continue;
            f.pixelFormat = QString::fromLatin1(format);
        } else if (gst_structure_has_name(s, "image/jpeg")) {
            f.encoding = CameraFormat::Encoding::jpeg;
        } else {
            continue;
        }
        if (!sizeOf(s, "width", maxWidth, &f.width) || !sizeOf(s, "height", maxHeight, &f.height))
            continue;
        const auto rate = bestRate(gst_structure_get_value(s, "framerate"));
        f.fpsNumerator = rate.first;
        f.fpsDenominator = rate.second;
        if (!result.contains(f))
            result.append(f);
    }
    return result;
}

std::optional<CameraFormat> chooseCameraFormat(const QList<CameraFormat> &offered)
{
    const auto fits = [](const CameraFormat &f) { return f.width <= maxWidth && f.height <= maxHeight; };
    const auto key = [&](const CameraFormat &f) {
        const bool usable = fits(f);
        const qint64 area = qint64(f.width) * f.height;
        // Larger is better for everything but the area of an oversized picture.
        return std::tuple(usable, f.fps() >= 15.0, usable ? area : -area, f.fps(),
                          f.encoding == CameraFormat::Encoding::raw);
    };
    std::optional<CameraFormat> best;
    for (const CameraFormat &f : offered) {
        if (f.width < 1 || f.height < 1)
            continue;
        if (!best || key(f) > key(*best))
            best = f;
    }
    return best;
}

} // namespace tandrel
