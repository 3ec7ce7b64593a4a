#include "library/markdown_import.h"

#include <QRegularExpression>
#include <charconv>
#include <functional>

namespace tandrel {

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space;
}

// Trims blanks and tabs: white space that is not a line break.
QString trimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin).toString();
}

QString trimChars(const QString &text, const std::function<bool(QChar)> &drop)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && drop(text.at(begin)))
        ++begin;
    while (end > begin && drop(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

// Character classes as the import format means them: \s and \d cover Unicode.
// The patterns start with (*ANY) so that ^, $ and . know every Unicode line
// terminator (U+2028, U+0085, ...), not just the line feed.
constexpr auto unicodeClasses = QRegularExpression::UseUnicodePropertiesOption;

} // namespace

std::optional<qint64> parseReelNumber(QStringView text)
{
    qsizetype start = 0;
    if (!text.isEmpty() && (text.at(0) == QLatin1Char('+') || text.at(0) == QLatin1Char('-')))
        start = 1;
    if (start == text.size())
        return std::nullopt;
    QByteArray digits;
    if (text.at(0) == QLatin1Char('-'))
        digits.append('-');
    for (qsizetype i = start; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        digits.append(char(c.unicode()));
    }
    qint64 value = 0;
    const auto [end, ec] = std::from_chars(digits.constData(), digits.constData() + digits.size(), value);
    if (ec != std::errc() || end != digits.constData() + digits.size())
        return std::nullopt;
    return value;
}

QStringList splitBlocks(const QString &text)
{
    static const QRegularExpression separator(
            QStringLiteral("(*ANY)^(---|\\*\\*\\*|===|<!--\\s*reel\\s*-->)\\s*$"),
            QRegularExpression::MultilineOption | unicodeClasses);
    QStringList blocks;
    qsizetype cursor = 0;
    bool matched = false;
    QRegularExpressionMatchIterator it = separator.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        matched = true;
        if (cursor < match.capturedStart())
            blocks.append(text.mid(cursor, match.capturedStart() - cursor));
        cursor = match.capturedEnd();
    }
    if (!matched)
        return {text};
    if (cursor < text.size())
        blocks.append(text.mid(cursor));
    return blocks;
}

std::optional<MarkdownHeading> parseHeading(const QString &line)
{
    if (!line.startsWith(QLatin1Char('#')))
        return std::nullopt;
    static const QRegularExpression marks(QStringLiteral("^#+\\s*"), unicodeClasses);
    static const QRegularExpression numbered(QStringLiteral("(*ANY)^(\\d+)\\s+(.+)$"), unicodeClasses);
    QString rest = line;
    rest.remove(marks);
    if (numbered.match(rest).hasMatch()) {
        // Split at the first blank only; further blanks belong to the title.
        const qsizetype blank = rest.indexOf(QLatin1Char(' '));
        QStringList pieces;
        if (blank < 0) {
            pieces.append(rest);
        } else {
            if (blank > 0)
                pieces.append(rest.left(blank));
            if (blank + 1 < rest.size())
                pieces.append(rest.mid(blank + 1));
        }
        if (pieces.size() == 2) {
            if (const std::optional<qint64> number = parseReelNumber(pieces.at(0)))
                return MarkdownHeading{number, trimBlanks(pieces.at(1))};
        }
    }
    const QString title = trimBlanks(rest);
    if (title.isEmpty())
        return std::nullopt;
    return MarkdownHeading{std::nullopt, title};
}

std::optional<MarkdownMetaLine> parseMetaLine(const QString &line)
{
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return std::nullopt;
    QString key = trimBlanks(QStringView(line).left(colon)).toLower();
    if (key == QLatin1String("nummer") || key == QLatin1String("nr"))
        key = QStringLiteral("prefix");
    if (key != QLatin1String("prefix") && key != QLatin1String("title"))
        return std::nullopt;
    const QString value = trimChars(line.mid(colon + 1).trimmed(),
                                    [](QChar c) { return c == QLatin1Char('"') || c == QLatin1Char('\''); });
    return MarkdownMetaLine{key, value, parseReelNumber(value)};
}

std::optional<ImportedReel> parseBlock(const QString &block)
{
    const QStringList lines = block.split(QLatin1Char('\n'));
    qsizetype first = 0;
    while (first < lines.size() && trimBlanks(lines.at(first)).isEmpty())
        ++first;
    if (first == lines.size())
        return std::nullopt;

    std::optional<qint64> prefix;
    QString title;
    qsizetype body = lines.size();
    for (qsizetype i = first; i < lines.size(); ++i) {
        const QString line = trimBlanks(lines.at(i));
        if (line.isEmpty())
            continue;
        if (const std::optional<MarkdownHeading> heading = parseHeading(line)) {
            if (!prefix)
                prefix = heading->prefix;
            if (title.isEmpty())
                title = heading->title;
            body = i + 1;
            break;
        }
        if (const std::optional<MarkdownMetaLine> meta = parseMetaLine(line)) {
            if (meta->key == QLatin1String("prefix") && !prefix)
                prefix = meta->number;
            else if (meta->key == QLatin1String("title") && title.isEmpty())
                title = meta->value;
            continue;
        }
        body = i;
        break;
    }

    const QString script = lines.mid(body).join(QLatin1Char('\n')).trimmed();
    if (title.isEmpty()) {
        const QStringList scriptLines = script.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (!scriptLines.isEmpty())
            title = trimChars(scriptLines.first(),
                              [](QChar c) { return c == QLatin1Char('#') || isBlank(c); });
    }
    title = title.trimmed();
    if (title.isEmpty()) {
        if (script.isEmpty())
            return std::nullopt;
        title = QStringLiteral("Reel");
    }
    return ImportedReel{prefix, title, script};
}

QList<ImportedReel> parseMarkdown(const QString &text)
{
    QString normalized = text;
    normalized.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalized.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QList<ImportedReel> reels;
    for (const QString &block : splitBlocks(normalized)) {
        if (std::optional<ImportedReel> reel = parseBlock(block))
            reels.append(std::move(*reel));
    }
    return reels;
}

QString reelMarkdown(qint64 prefix, const QString &title, const QString &script)
{
    return QStringLiteral("# ") + QString::asprintf("%03lld", static_cast<long long>(prefix))
            + QLatin1Char(' ') + title + QStringLiteral("\n\n") + script;
}

} // namespace tandrel
