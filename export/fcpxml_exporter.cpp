#include "export/fcpxml_exporter.h"

#include "platform/desktop_opener.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <set>

namespace tandrel {

namespace {

constexpr double shortestInterval = 0.001; // also the tolerance of the midpoint test
constexpr double largestMergedGap = 0.08;
constexpr qint64 smallestMediaSize = 64;
// Keeps frames × 100 inside 64 bits whatever a library file claims as duration.
constexpr double mostFrames = 1e15;

// A time in seconds on the frame grid, halves away from zero, clamped to
// [low, high]. Not a number counts as `low`.
qint64 gridFrame(double seconds, int rate, double low, double high)
{
    const double frames = std::round(seconds * rate);
    if (std::isnan(frames))
        return qint64(low);
    return qint64(std::clamp(frames, low, high));
}

double zeroIfNegative(double value)
{
    return (std::isnan(value) || value < 0) ? 0 : value;
}

} // namespace

QString description(ExportError error)
{
    switch (error) {
    case ExportError::noTakes:
        return QStringLiteral("Für dieses Reel gibt es noch keine Aufnahme.");
    case ExportError::noMedia:
        return QStringLiteral("Die Takes enthalten keine verwertbaren Video- oder Audiodateien.");
    }
    return {};
}

qint64 FCPXMLExporter::frameCount(double duration, int rate)
{
    return gridFrame(duration, rate, 1, mostFrames);
}

QList<SpeechInterval> FCPXMLExporter::cleanIntervals(const QList<SpeechInterval> &intervals)
{
    QList<SpeechInterval> kept;
    for (const SpeechInterval &interval : intervals) {
        const SpeechInterval clean{zeroIfNegative(interval.start), zeroIfNegative(interval.end)};
        if (clean.end > clean.start + shortestInterval)
            kept.append(clean);
    }
    std::stable_sort(kept.begin(), kept.end(),
                     [](const SpeechInterval &a, const SpeechInterval &b) { return a.start < b.start; });

    QList<SpeechInterval> merged;
    for (const SpeechInterval &interval : kept) {
        if (!merged.isEmpty() && interval.start <= merged.last().end + largestMergedGap)
            merged.last().end = std::max(merged.last().end, interval.end);
        else
            merged.append(interval);
    }
    return merged;
}

QList<SpeechSlice> FCPXMLExporter::speechSlices(const QList<SpeechInterval> &intervals, double duration,
                                                int rate)
{
    if (rate < 1)
        rate = frameRate;
    const qint64 total = frameCount(duration, rate);
    const QList<SpeechInterval> speech = cleanIntervals(intervals);
    if (speech.isEmpty())
        return {SpeechSlice{0, total, false}};

    std::set<qint64> boundaries{0, total};
    for (const SpeechInterval &interval : speech) {
        const qint64 start = gridFrame(interval.start, rate, 0, mostFrames);
        if (start < total)
            boundaries.insert(start);
        const qint64 end = gridFrame(interval.end, rate, 0, mostFrames);
        if (end >= 1)
            boundaries.insert(std::min(end, total));
    }

    QList<SpeechSlice> slices;
    for (auto a = boundaries.begin(), b = std::next(a); b != boundaries.end(); ++a, ++b) {
        const double middle = (double(*a) / rate + double(*b) / rate) * 0.5;
        const bool speaking = std::any_of(speech.begin(), speech.end(), [&](const SpeechInterval &s) {
            return s.start - shortestInterval <= middle && middle < s.end + shortestInterval;
        });
        slices.append(SpeechSlice{*a, *b, speaking});
    }
    return slices;
}

bool FCPXMLExporter::isUsableMedia(const QString &path)
{
    // A folder with a take's name is no media, whatever size the file system reports for it.
    const QFileInfo info(path);
    return info.isFile() && info.size() > smallestMediaSize;
}

QString FCPXMLExporter::xmlEscaped(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case '&':
            escaped += QLatin1String("&amp;");
            continue;
        case '<':
            escaped += QLatin1String("&lt;");
            continue;
        case '>':
            escaped += QLatin1String("&gt;");
            continue;
        case '"':
            escaped += QLatin1String("&quot;");
            continue;
        case '\'':
            escaped += QLatin1String("&apos;");
            continue;
        default:
            break;
        }
        // Characters XML 1.0 cannot carry at all (control characters, lone
        // surrogates, U+FFFE/U+FFFF) would make Final Cut reject the whole
        // document; a title pasted with one loses just that character.
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            escaped += c;
            escaped += text.at(++i);
            continue;
        }
        const bool allowed = c == u'\t' || c == u'\n' || c == u'\r'
                || (c.unicode() >= 0x20 && !c.isSurrogate() && c.unicode() < 0xFFFE);
        if (allowed)
            escaped += c;
    }
    return escaped;
}

std::optional<QString> FCPXMLExporter::libraryLocation(const QString &libraryRoot)
{
    const QDir home = QDir::home();
    const QString candidates[] = {
            QDir(libraryRoot).filePath(QStringLiteral("Tandrel.fcpbundle")),
            home.filePath(QStringLiteral("Movies/Tandrel Library.fcpbundle")),
            home.filePath(QStringLiteral("Movies/Ohne Titel.fcpbundle")),
    };
    for (const QString &candidate : candidates) {
        if (QFileInfo(candidate).isDir())
            return candidate;
    }
    return std::nullopt;
}

void FCPXMLExporter::openInFinalCut(const QString &location, DesktopOpener &opener)
{
    // There is no Final Cut Pro on this desktop: whatever program is assigned
    // to the bundle gets it. The outcome is not reported.
    opener.open(location);
}

void FCPXMLExporter::openInFinalCut(const QString &location)
{
    SystemDesktopOpener opener;
    openInFinalCut(location, opener);
}

} // namespace tandrel
