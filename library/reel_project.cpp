#include "library/reel_project.h"

#include <QRegularExpression>
#include <QTextBoundaryFinder>
#include <algorithm>

namespace tandrel {

namespace {

constexpr qsizetype MaxSlugLength = 48;

// Case- and diacritic-insensitive folding: decompose, drop the combining
// marks the decomposition split off, fold the case.
QString fold(const QString &text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString stripped;
    stripped.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            stripped.append(c);
    }
    // Full case folding turns ß into ss; QString only folds one code point to one.
    return stripped.normalized(QString::NormalizationForm_C)
            .toCaseFolded()
            .replace(QChar(0x00DF), QLatin1String("ss"))
            .replace(QChar(0x1E9E), QLatin1String("ss"));
}

bool isSlugScalar(char32_t c)
{
    if (c == U'-')
        return true;
    switch (QChar::category(c)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
        return true;
    default:
        return false;
    }
}

bool isSlugCluster(QStringView cluster)
{
    const QList<uint> scalars = cluster.toUcs4();
    return std::all_of(scalars.begin(), scalars.end(), [](uint c) { return isSlugScalar(c); });
}

// Splits a text into grapheme clusters (user-perceived characters).
QList<QStringView> clusters(const QString &text)
{
    QList<QStringView> result;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (finder.toNextBoundary() != -1) {
        const qsizetype end = finder.position();
        if (end > start)
            result.append(QStringView(text).mid(start, end - start));
        start = end;
    }
    return result;
}

QString formattedNumber(qint64 prefix)
{
    return QString::asprintf("%03lld", static_cast<long long>(prefix));
}

} // namespace

QString ReelProject::displayLabel() const
{
    const QString trimmedTitle = title.trimmed();
    if (trimmedTitle.isEmpty())
        return formattedNumber(prefix);
    return formattedNumber(prefix) + QLatin1Char(' ') + trimmedTitle;
}

QString ReelProject::titleSlug() const
{
    const QString folded = fold(title).toLower();
    QString slug;
    slug.reserve(folded.size());
    for (const QStringView cluster : clusters(folded)) {
        if (isSlugCluster(cluster))
            slug.append(cluster);
        else
            slug.append(QLatin1Char('-'));
    }
    static const QRegularExpression hyphenRuns(QStringLiteral("--+"));
    slug.replace(hyphenRuns, QStringLiteral("-"));
    qsizetype begin = 0;
    qsizetype end = slug.size();
    while (begin < end && slug.at(begin) == QLatin1Char('-'))
        ++begin;
    while (end > begin && slug.at(end - 1) == QLatin1Char('-'))
        --end;
    slug = slug.mid(begin, end - begin);

    // The length limit counts characters as a reader sees them, not code units.
    const QList<QStringView> parts = clusters(slug);
    if (parts.size() <= MaxSlugLength)
        return slug;
    const QStringView last = parts.at(MaxSlugLength - 1);
    return slug.left(last.data() - slug.constData() + last.size());
}

QString ReelProject::folderName() const
{
    const QString slug = titleSlug();
    if (slug.isEmpty())
        return formattedNumber(prefix);
    return formattedNumber(prefix) + QLatin1Char('-') + slug;
}

std::optional<Take> ReelProject::latestTake() const
{
    std::optional<Take> latest;
    for (const Take &take : takes) {
        if (!latest || take.recordedAt >= latest->recordedAt)
            latest = take;
    }
    return latest;
}

void sortInReelOrder(QList<ReelProject> &reels)
{
    std::stable_sort(reels.begin(), reels.end(), [](const ReelProject &a, const ReelProject &b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        return a.createdAt < b.createdAt;
    });
}

} // namespace tandrel
