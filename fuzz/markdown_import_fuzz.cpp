// Markdown import: any text gives reels, and every reel keeps the import's promises.
#include "fuzz/fuzz_targets.h"

#include "library/markdown_import.h"

namespace tandrel::fuzz {

namespace {

// UTF-8, or UTF-16 behind its little-endian byte order mark, which reaches
// text that UTF-8 cannot carry (lone surrogates).
QString inputText(const quint8 *data, size_t size)
{
    const char *bytes = reinterpret_cast<const char *>(data);
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        QString text((qsizetype(size) - 2) / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i)
            text[i] = QChar(char16_t(data[2 + 2 * i] | data[3 + 2 * i] << 8));
        return text;
    }
    return QString::fromUtf8(bytes, qsizetype(size));
}

} // namespace

int markdownImport(const quint8 *data, size_t size)
{
    const QString text = inputText(data, size);
    QString normalized = text;
    normalized.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalized.replace(QLatin1Char('\r'), QLatin1Char('\n'));

    for (const ImportedReel &reel : parseMarkdown(text)) {
        expect(!reel.title.isEmpty(), "a reel's title is never empty");
        expect(reel.title == reel.title.trimmed(), "a title has no white space at its ends");
        expect(!reel.title.contains(QLatin1Char('\n')) && !reel.title.contains(QLatin1Char('\r')),
               "a title is one line");
        expect(reel.script == reel.script.trimmed(), "a script has no white space at its ends");
        expect(!reel.script.contains(QLatin1Char('\r')), "a script's line breaks are line feeds");
        expect(normalized.contains(reel.script), "a script is a piece of the text");
        if (reel.prefix)
            expect(parseReelNumber(QString::number(*reel.prefix)) == reel.prefix,
                   "a reel number reads back from its digits");
    }
    return 0;
}

} // namespace tandrel::fuzz
