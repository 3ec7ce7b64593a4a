#include "capture/capture_device.h"
#include "capture/video_source.h"

#include <gtest/gtest.h>

using namespace tandrel;

TEST(VideoSource, ScreenIdentifiersCarryADisplayNumberOnlyWhenWellFormed)
{
    const struct
    {
        const char *id;
        std::optional<quint32> number;
    } cases[] = {
            {"screen:0", 0u},          {"screen:1", 1u},   {"screen:4294967295", 4294967295u},
            {"screen:4294967296", {}}, {"screen:12x", {}}, {"screen:", {}},
            {"screen:request", {}},    {"screen:-1", {}},  {"screen:+1", {}},
            {"screen: 1", {}},         {"Screen:1", {}},   {"/dev/v4l/by-id/usb-cam", {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(screenDisplayID(QString::fromLatin1(c.id)), c.number) << c.id;
}

namespace {
CaptureDevice camera(const char *id, CaptureDevice::Type type)
{
    CaptureDevice d;
    d.uniqueID = QString::fromLatin1(id);
    d.localizedName = d.uniqueID;
    d.type = type;
    return d;
}
} // namespace

TEST(CaptureDevice, TheBuiltInCameraIsPreferredOverAnEarlierCaptureCard)
{
    using T = CaptureDevice::Type;
    const struct
    {
        QList<CaptureDevice> cameras;
        std::optional<QString> preferred;
    } cases[] = {
            {{}, std::nullopt},
            {{camera("card", T::externalCamera), camera("laptop", T::builtInCamera)}, "laptop"},
            {{camera("usb1", T::externalCamera), camera("usb2", T::externalCamera)}, "usb1"},
            {{camera("odd", T::other), camera("desk", T::deskViewCamera),
              camera("phone", T::continuityCamera)},
             "desk"},
            {{camera("phone", T::continuityCamera), camera("usb", T::externalCamera)}, "usb"},
    };
    for (const auto &c : cases) {
        const auto best = preferredCamera(c.cameras);
        EXPECT_EQ(best ? std::optional(best->uniqueID) : std::nullopt, c.preferred);
    }
}
