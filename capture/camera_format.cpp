#include "capture/camera_format.h"

#include <gst/gst.h>
#include <tuple>
#include <vector>

namespace tandrel {

namespace {

constexpr int maxWidth = 1920;
constexpr int maxHeight = 1080;
constexpr double maxFps = 30.0;

using Rate = std::pair<int, int>;

double rateValue(const Rate &r)
{
    return r.second > 0 ? double(r.first) / r.second : 0;
}

// The rates a framerate field offers: its fraction, each entry of a list, or
// for a range the rate within it closest to 30 per second.
void collectRates(const GValue *value, std::vector<Rate> &into)
{
    if (!value)
        return;
    if (GST_VALUE_HOLDS_FRACTION(value)) {
        into.emplace_back(gst_value_get_fraction_numerator(value), gst_value_get_fraction_denominator(value));
    } else if (GST_VALUE_HOLDS_LIST(value)) {
        for (guint i = 0; i < gst_value_list_get_size(value); ++i)
            collectRates(gst_value_list_get_value(value, i), into);
    } else if (GST_VALUE_HOLDS_FRACTION_RANGE(value)) {
        const GValue *lo = gst_value_get_fraction_range_min(value);
        const GValue *hi = gst_value_get_fraction_range_max(value);
        const Rate low{gst_value_get_fraction_numerator(lo), gst_value_get_fraction_denominator(lo)};
        const Rate high{gst_value_get_fraction_numerator(hi), gst_value_get_fraction_denominator(hi)};
        if (rateValue(high) <= maxFps)
            into.push_back(high);
        else if (rateValue(low) <= maxFps)
            into.emplace_back(30, 1);
        else
            into.push_back(low);
    }
}

// The highest rate up to 30 per second; a device that runs only faster is
// taken at its slowest rate (the pipeline then drops down to 30). {0, 1}
// when the field is absent.
Rate bestRate(const GValue *value)
{
    std::vector<Rate> rates;
    collectRates(value, rates);
    Rate best{0, 1};
    for (const Rate &r : rates) {
        if (r.second <= 0 || r.first <= 0)
            continue;
        const double v = rateValue(r);
        const double b = rateValue(best);
        const bool better = best.first == 0 || (v <= maxFps && (b > maxFps || v > b))
                || (v > maxFps && b > maxFps && v < b);
        if (better)
            best = r;
    }
    return best;
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
        return std::tuple(usable, f.fps() >= 15.0, usable ? area : -area, std::min(f.fps(), maxFps),
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
