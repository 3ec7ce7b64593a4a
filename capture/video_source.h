#pragma once

#include <QHash>
#include <QString>
#include <optional>

namespace tandrel {

// A selectable video input. Identifiers: a camera's stable device identifier,
// "screen:" followed by a display number, or the placeholder "screen:request"
// that stands for the screens while none is known.
struct VideoSource
{
    enum class Kind { camera, screen };

    QString id;
    // The device's own name for a camera, the display's name for a screen,
    // empty for the placeholder; the words around it are made where it is
    // shown.
    QString name;
    Kind kind = Kind::camera;
    bool operator==(const VideoSource &) const = default;
};

// "camera" or "screen".
QString kindName(VideoSource::Kind kind);

inline const QString screenRequestID = QStringLiteral("screen:request");

// Whether the selected video source `id` gives pictures: any source but the
// request for a screen still to be shared, which none has been yet.
inline bool givesPictures(const std::optional<QString> &id)
{
    return id && *id != screenRequestID;
}

// The display number of a screen source identifier: present when the
// identifier is "screen:" followed by an unsigned 32-bit decimal number.
std::optional<quint32> screenDisplayID(const QString &id);

inline size_t qHash(const VideoSource &source, size_t seed = 0)
{
    return qHashMulti(seed, source.id, source.name, int(source.kind));
}

} // namespace tandrel
