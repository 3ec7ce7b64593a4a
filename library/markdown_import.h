#pragma once

#include "library/imported_reel.h"

#include <QList>
#include <QString>
#include <optional>

namespace tandrel {

// The blocks of a Markdown text as reels, in text order. Never fails: text
// without usable blocks gives an empty list.
QList<ImportedReel> parseMarkdown(const QString &text);

// The steps of parseMarkdown, each a pure function of its text.

// Cuts the text at separator lines (---, ***, === or <!-- reel -->, each at a
// line start and followed only by white space). Offsets are UTF-16 code units.
QStringList splitBlocks(const QString &text);
// A block's header (metadata lines, then at most one heading) and script.
std::optional<ImportedReel> parseBlock(const QString &block);

struct MarkdownHeading
{
    std::optional<qint64> prefix;
    QString title;
    bool operator==(const MarkdownHeading &) const = default;
};
// A trimmed line such as "# 012 Titel"; none when the line is no heading.
std::optional<MarkdownHeading> parseHeading(const QString &line);

struct MarkdownMetaLine
{
    QString key; // "prefix" or "title"; "nummer" and "nr" read as "prefix"
    QString value;
    std::optional<qint64> number;
    bool operator==(const MarkdownMetaLine &) const = default;
};
// A trimmed line such as "Nummer: 015"; none for other keys or lines without a colon.
std::optional<MarkdownMetaLine> parseMetaLine(const QString &line);

// An optional sign and ASCII digits in the signed 64-bit range; none otherwise.
std::optional<qint64> parseReelNumber(QStringView text);

// The reel's Markdown as kept in its folder: "# 012 Titel", an empty line, the script.
QString reelMarkdown(qint64 prefix, const QString &title, const QString &script);

} // namespace tandrel
