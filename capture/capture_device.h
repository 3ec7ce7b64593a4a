#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <optional>

typedef struct _GstDevice GstDevice;

namespace tandrel {

// A camera, capture card or microphone as device discovery found it.
struct CaptureDevice
{
    // What Linux tells about a video device, ordered as the default camera is
    // chosen: a laptop's built-in camera before anything plugged in.
    enum class Type { builtInCamera, deskViewCamera, externalCamera, continuityCamera, microphone, other };

    QString uniqueID; // stable across re-plugging; also what opens the device
    QString localizedName; // what the pickers show
    Type type = Type::other;
    // A capture card whose own sound source is present: recorded with that
    // source instead of the selected microphone (see CaptureCardAudio).
    bool carriesAudio = false;
    QString audioSourceID; // the card's sound source, set with carriesAudio
    bool isTestCamera = false; // the videotestsrc camera of TANDREL_TEST_CAMERA=1
    // The GStreamer device, when discovery found one; it creates the source element.
    std::shared_ptr<GstDevice> device;

    bool operator==(const CaptureDevice &other) const
    {
        return uniqueID == other.uniqueID && localizedName == other.localizedName && type == other.type
                && carriesAudio == other.carriesAudio && audioSourceID == other.audioSourceID
                && isTestCamera == other.isTestCamera;
    }
};

// A microphone as the pickers show it.
struct AudioDevice
{
    QString id;
    QString name;
    bool operator==(const AudioDevice &) const = default;
};

// Rank of a camera type for the default choice; lower wins.
int cameraRank(CaptureDevice::Type type);

// The camera with the lowest rank, the earliest among equals; none for an empty list.
std::optional<CaptureDevice> preferredCamera(const QList<CaptureDevice> &cameras);

} // namespace tandrel
