#pragma once

#include <QDateTime>
#include <QRegularExpression>
#include <QString>

namespace tandrel {

// The names of a take's files in its reel's takes folder, for the recorder
// that writes them and the recovery that adopts them: "<stamp>-video.mov",
// "<stamp>-audio.m4a" and, while the take is recorded, "<stamp>.lock". The
// stamp is the start time "yyyyMMdd-HHmmss", with "-2", "-3" … for further
// takes started within the same second.
struct TakeFileNames
{
    static QString stamp(const QDateTime &startedAt)
    {
        return startedAt.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    }
    // The start time a stamp names; invalid for anything else.
    static QDateTime startedAt(const QString &stamp)
    {
        return QDateTime::fromString(stamp.left(15), QStringLiteral("yyyyMMdd-HHmmss"));
    }
    static QString video(const QString &stamp) { return stamp + QStringLiteral("-video.mov"); }
    static QString audio(const QString &stamp) { return stamp + QStringLiteral("-audio.m4a"); }
    static QString lock(const QString &stamp) { return stamp + QStringLiteral(".lock"); }
    // Globs for a folder listing of take files.
    static QStringList globs() { return {video(QStringLiteral("*")), audio(QStringLiteral("*"))}; }
    static bool isVideo(const QString &name) { return name.endsWith(QLatin1String("-video.mov")); }
    // Matches a take file's whole name; the first capture is its stamp.
    static const QRegularExpression &pattern()
    {
        static const QRegularExpression re(
                QStringLiteral(R"(^(\d{8}-\d{6}(?:-\d+)?)-(?:video\.mov|audio\.m4a)$)"));
        return re;
    }
};

} // namespace tandrel
