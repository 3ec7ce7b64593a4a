#include "capture/video_source.h"

namespace tandrel {

QString kindName(VideoSource::Kind kind)
{
    return kind == VideoSource::Kind::camera ? QStringLiteral("camera") : QStringLiteral("screen");
}

std::optional<quint32> screenDisplayID(const QString &id)
{
    static const QString prefix = QStringLiteral("screen:");
    if (!id.startsWith(prefix) || id == screenRequestID)
        return std::nullopt;
    const QStringView rest = QStringView(id).mid(prefix.size());
    // toUInt accepts a sign and surrounding blanks; a display number is digits only.
    if (rest.isEmpty()
        || !std::all_of(rest.begin(), rest.end(), [](QChar c) { return c.isDigit() && c.unicode() < 128; }))
        return std::nullopt;
    bool ok = false;
    const qulonglong value = rest.toULongLong(&ok);
    if (!ok || value > 0xFFFFFFFFull)
        return std::nullopt;
    return quint32(value);
}

} // namespace tandrel
