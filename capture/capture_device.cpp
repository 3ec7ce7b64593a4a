#include "capture/capture_device.h"

namespace tandrel {

int cameraRank(CaptureDevice::Type type)
{
    switch (type) {
    case CaptureDevice::Type::builtInCamera:
        return 0;
    case CaptureDevice::Type::deskViewCamera:
        return 1;
    case CaptureDevice::Type::externalCamera:
        return 2;
    case CaptureDevice::Type::continuityCamera:
        return 3;
    default:
        return 4;
    }
}

std::optional<CaptureDevice> preferredCamera(const QList<CaptureDevice> &cameras)
{
    std::optional<CaptureDevice> best;
    for (const CaptureDevice &camera : cameras) {
        if (!best || cameraRank(camera.type) < cameraRank(best->type))
            best = camera;
    }
    return best;
}

} // namespace tandrel
