// library.json: what loads can be saved, and saving then loading changes nothing.
#include "fuzz/fuzz_targets.h"

#include "library/json_writer.h"
#include "library/library_json.h"
#include "library/library_json_reader.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace tandrel::fuzz {

int libraryJson(const quint8 *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // The quick reader takes only what the document reader reads the same way.
    if (const std::optional<QList<ReelProject>> quick = LibraryJsonReader::read(bytes)) {
        const QJsonDocument document = parseLibraryDocument(bytes);
        expect(document.isArray() && document.array().size() == quick->size(),
               "what the quick reader takes is a JSON list of as many reels");
        for (qsizetype i = 0; i < quick->size() && i < document.array().size(); ++i) {
            const LibraryResult<ReelProject> reel = decodeReel(document.array().at(i));
            expect(reel.ok() && *reel == quick->at(i),
                   "the quick reader reads each reel as the document reader");
        }
    }
    const LibraryResult<QList<ReelProject>> reels = decodeLibrary(bytes);
    if (!reels) {
        const LibraryError::Kind kind = reels.error().kind;
        expect(kind >= LibraryError::Kind::invalidJson && kind <= LibraryError::Kind::memberNotDate,
               "a refused library says what in its text is wrong");
        return 0;
    }
    const LibraryResult<QByteArray> text = encodeLibrary(*reels);
    expect(text.ok(), "a library that loads can be saved");
    if (!text)
        return 0;
    QJsonArray generic;
    for (const ReelProject &reel : *reels)
        generic.append(*encodeReel(reel));
    expect(*text == *toPrettyJson(generic), "the library's writer writes what the generic writer writes");
    const LibraryResult<QList<ReelProject>> again = decodeLibrary(*text);
    expect(again.ok(), "a saved library loads");
    if (!again)
        return 0;
    expect(*again == *reels, "loading a saved library gives the reels that were saved");
    const LibraryResult<QByteArray> twice = encodeLibrary(*again);
    expect(twice.ok() && *twice == *text, "saving it again writes the same bytes");
    for (const ReelProject &reel : *reels) {
        const LibraryResult<QByteArray> shown = encodeReelText(reel);
        expect(shown.ok(), "every loaded reel can be shown");
        if (!shown)
            continue;
        // Read back by the library's reader: Qt's JSON parser drops a U+FEFF
        // that opens a string, which the library keeps.
        const LibraryResult<QList<ReelProject>> read = decodeLibrary("[" + *shown + "]");
        expect(read.ok() && read->size() == 1 && read->first() == reel,
               "a shown reel reads back as the same reel");
    }
    return 0;
}

} // namespace tandrel::fuzz
