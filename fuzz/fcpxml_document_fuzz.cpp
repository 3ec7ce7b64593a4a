// The FCPXML document of any reel, as a library file can describe it: well
// formed, times never negative, the clips of the spine back to back.
#include "fuzz/fuzz_targets.h"

#include "export/fcpxml_exporter.h"
#include "fuzz/fuzz_input.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QUrl>
#include <QXmlStreamReader>
#include <limits>
#include <set>

namespace tandrel::fuzz {

namespace {

// A takes folder with usable media, a file too small to count, a folder
// named like a take file, and a file next to the folder.
class TakesFolder
{
public:
    TakesFolder()
    {
        QDir root(m_root.path());
        root.mkpath(QStringLiteral("takes/folder.mov"));
        for (const auto &[name, bytes] : {std::pair{"takes/v.mov", 4096}, std::pair{"takes/a.m4a", 4096},
                                          std::pair{"takes/tiny.mov", 64}, std::pair{"outside.mov", 4096}}) {
            QFile file(root.filePath(QLatin1String(name)));
            if (file.open(QIODevice::WriteOnly))
                file.write(QByteArray(bytes, 'x'));
        }
    }
    QString path() const { return m_root.filePath(QStringLiteral("takes")); }

private:
    QTemporaryDir m_root;
};

std::optional<QString> takeFileName(FuzzInput &in)
{
    switch (in.below(8)) {
    case 0:
        return std::nullopt;
    case 1:
        return QStringLiteral("v.mov");
    case 2:
        return QStringLiteral("a.m4a");
    case 3:
        return QStringLiteral("tiny.mov");
    case 4:
        return QStringLiteral("folder.mov");
    case 5:
        return QStringLiteral("../outside.mov");
    case 6:
        return QStringLiteral("gone.mov");
    default:
        return in.text(24);
    }
}

QDateTime anyDate(FuzzInput &in)
{
    if (in.below(8) == 0)
        return {};
    return QDateTime::fromMSecsSinceEpoch(in.integral<qint64>() % (qint64(1) << 50), QTimeZone::utc());
}

ReelProject reelFrom(FuzzInput &in)
{
    ReelProject reel;
    reel.id = QUuid::fromRfc4122(in.bytes(16).leftJustified(16, '\0'));
    reel.prefix = in.integral<qint64>();
    reel.title = in.text(32);
    // Few different takes, each repeated: long timelines cost few bytes.
    const quint32 kinds = in.below(6);
    for (quint32 k = 0; k < kinds; ++k) {
        Take take;
        take.id = QUuid::fromRfc4122(in.bytes(16).leftJustified(16, '\0'));
        take.recordedAt = anyDate(in);
        take.videoFileName = takeFileName(in);
        take.audioFileName = takeFileName(in);
        take.duration = in.number();
        for (quint32 n = in.below(6); n > 0; --n)
            take.speechIntervals.append({in.number(), in.number()});
        // Mostly a few copies, now and then a long run of them.
        const bool manyCopies = in.integral<quint8>() == 0xFF;
        for (quint32 copies = 1 + in.below(manyCopies ? 128 : 4); copies > 0; --copies)
            reel.takes.append(take);
    }
    return reel;
}

// Times are "0s" or a positive count of 1/3000 s; its count.
std::optional<qint64> units(QStringView time)
{
    static const QRegularExpression form(QStringLiteral("^(0s|[1-9][0-9]*/3000s)$"));
    if (!form.match(time).hasMatch())
        return std::nullopt;
    if (time == u"0s")
        return 0;
    bool ok = false;
    const qint64 value = time.left(time.indexOf(u'/')).toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

void checkDocument(const QString &document, const QString &takesFolder)
{
    QXmlStreamReader xml(document);
    std::set<QString> assets;
    qint64 end = 0; // of the spine so far
    std::optional<qint64> sequence;
    QXmlStreamAttributes spineClip;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == u"asset") {
            assets.insert(a.value(QLatin1String("id")).toString());
            expect(units(a.value(QLatin1String("duration"))).has_value(), "an asset's duration is a time");
        } else if (xml.name() == u"media-rep") {
            const QFileInfo media(QUrl(a.value(QLatin1String("src")).toString()).toLocalFile());
            expect(media.absolutePath() == takesFolder && media.isFile(),
                   "media are files inside the takes folder");
        } else if (xml.name() == u"sequence") {
            sequence = units(a.value(QLatin1String("duration")));
            expect(sequence.has_value(), "the sequence's duration is a time");
        } else if (xml.name() == u"asset-clip") {
            const auto offset = units(a.value(QLatin1String("offset"))),
                       start = units(a.value(QLatin1String("start"))),
                       length = units(a.value(QLatin1String("duration")));
            expect(offset && start && length, "a clip's offset, start and duration are times");
            expect(assets.count(a.value(QLatin1String("ref")).toString()) == 1,
                   "a clip refers to an asset above it");
            if (!offset || !length)
                continue;
            if (a.hasAttribute(QLatin1String("lane"))) {
                // An anchored clip's offset counts in its parent's own time,
                // which begins at the parent's start.
                expect(offset == units(spineClip.value(QLatin1String("start")))
                               && a.value(QLatin1String("start")) == spineClip.value(QLatin1String("start"))
                               && a.value(QLatin1String("duration"))
                                       == spineClip.value(QLatin1String("duration")),
                       "a connected audio clip lies exactly under its video clip");
                continue;
            }
            expect(*offset == end, "the clips of the spine follow each other without gaps");
            expect(*length > 0 && *length <= std::numeric_limits<qint64>::max() - end,
                   "the spine ends within 64 bits");
            end += *length;
            spineClip = a;
        }
    }
    expect(!xml.hasError(), "the document is well-formed XML");
    expect(sequence == end, "the sequence lasts as long as its clips");
}

} // namespace

int fcpxmlDocument(const quint8 *data, size_t size)
{
    static const TakesFolder folder;
    FuzzInput in(data, size);
    const ReelProject reel = reelFrom(in);
    FCPXMLDocumentContext context{in.text(32), folder.path(), std::nullopt, anyDate(in)};
    if (in.boolean())
        context.finalCutLibrary = in.text(32);

    const ExportResult<QString> document = FCPXMLExporter::buildDocument(reel, context);
    if (!document) {
        expect(document.error() == (reel.takes.isEmpty() ? ExportError::noTakes : ExportError::noMedia),
               "a document fails for no takes or no usable media only");
        return 0;
    }
    checkDocument(document.value(), folder.path());
    return 0;
}

} // namespace tandrel::fuzz
