#include "export/fcpxml_exporter.h"

#include "platform/desktop_opener.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <set>

namespace tandrel {

namespace {

constexpr qint64 smallestMediaSize = 64;

} // namespace

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

} // namespace tandrel
