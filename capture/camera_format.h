#pragma once

#include <QList>
#include <QString>
#include <optional>

typedef struct _GstCaps GstCaps;

namespace tandrel {

// One picture format a camera offers.
struct CameraFormat
{
    enum class Encoding { raw, jpeg };
    Encoding encoding = Encoding::raw;
    QString pixelFormat; // raw: "YUY2", "NV12", ...; empty for jpeg
    int width = 0;
    int height = 0;
    int fpsNumerator = 0; // the highest rate up to 30 per second it offers, else its slowest
    int fpsDenominator = 1;
    bool operator==(const CameraFormat &) const = default;

    double fps() const { return fpsDenominator > 0 ? double(fpsNumerator) / fpsDenominator : 0; }
};

// The formats of a device's caps that the capture pipeline can decode.
QList<CameraFormat> cameraFormats(const GstCaps *caps);

// The format a camera is opened with: the largest picture up to 1920 x 1080
// that runs at 15 frames per second or more (else the largest up to that
// size), the faster rate, then raw before JPEG among equal sizes. A device
// that offers nothing up to 1920 x 1080 (a capture card fed with a larger
// signal) is opened at its smallest, native size.
std::optional<CameraFormat> chooseCameraFormat(const QList<CameraFormat> &offered);

} // namespace tandrel
