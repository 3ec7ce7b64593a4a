#include "speech/word_forms.h"

#include <QTextBoundaryFinder>
#include <algorithm>

namespace tandrel::wordforms {

namespace {

bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

bool isMark(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return false;
    }
}

Character packCluster(QStringView cluster)
{
    Character packed = 0;
    int count = 0;
    quint64 hash = 14695981039346656037ull;
    for (qsizetype i = 0; i < cluster.size();) {
        qsizetype units = 1;
        const char32_t c = codePointAt(cluster, i, &units);
        i += units;
        if (count < 3)
            packed |= Character(c) << (21 * count);
        ++count;
        hash = (hash ^ c) * 1099511628211ull;
    }
    return count <= 3 ? packed : (hash | (1ull << 63));
}

} // namespace

QString foldWord(QStringView word)
{
    if (isAscii(word))
        return word.toString().toLower();
    const QString decomposed = word.toString().normalized(QString::NormalizationForm_D);
    QString bare;
    bare.reserve(decomposed.size());
    for (qsizetype i = 0; i < decomposed.size();) {
        qsizetype units = 1;
        const char32_t c = codePointAt(decomposed, i, &units);
        if (!isMark(c))
            bare.append(QStringView(decomposed).mid(i, units));
        i += units;
    }
    QString folded = bare.toCaseFolded();
    folded.replace(QChar(0x00DF), QStringLiteral("ss"));
    // Recomposing keeps equal words equal code unit by code unit (decomposed
    // Hangul syllables, for one, would otherwise stay as separate jamo).
    return folded.toLower().normalized(QString::NormalizationForm_C);
}

void appendCharacters(QStringView text, std::vector<Character> &out)
{
    // Below U+0300 there is neither a combining mark nor a surrogate: every
    // code unit is a character of its own, except a carriage return, which
    // forms one character with a line feed after it.
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x300 && c != u'\r'; })) {
        for (QChar c : text)
            out.push_back(c.unicode());
        return;
    }
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.constData(), text.size());
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end > 0; end = finder.toNextBoundary()) {
        out.push_back(packCluster(text.mid(start, end - start)));
        start = end;
    }
}

void appendFoldedCharacters(QStringView word, std::vector<Character> &out)
{
    if (isAscii(word)) {
        for (QChar c : word) {
            const char16_t u = c.unicode();
            out.push_back(u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u);
        }
        return;
    }
    appendCharacters(foldWord(word), out);
}

int editDistance(Characters a, Characters b)
{
    if (a.empty())
        return int(b.size());
    if (b.empty())
        return int(a.size());
    // Two rows of the table, each as long as b plus one; words are short,
    // so the rows usually live on the stack.
    constexpr size_t stackColumns = 64;
    Character stackRows[2][stackColumns + 1];
    std::vector<Character> heapRows;
    Character *previous = stackRows[0];
    Character *current = stackRows[1];
    if (b.size() > stackColumns) {
        heapRows.resize(2 * (b.size() + 1));
        previous = heapRows.data();
        current = heapRows.data() + b.size() + 1;
    }
    for (size_t j = 0; j <= b.size(); ++j)
        previous[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const Character substitution = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitution});
        }
        std::swap(previous, current);
    }
    return int(previous[b.size()]);
}

namespace {

// Whether the Levenshtein distance is at most one, in one linear pass.
bool withinOneEdit(Characters a, Characters b)
{
    if (a.size() > b.size())
        std::swap(a, b);
    if (b.size() - a.size() > 1)
        return false;
    const auto [ia, ib] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    const size_t at = size_t(ia - a.begin());
    if (at == a.size())
        return true; // equal, or b has one character more at the end
    if (a.size() == b.size())
        return std::equal(a.begin() + at + 1, a.end(), b.begin() + at + 1);
    return std::equal(a.begin() + at, a.end(), b.begin() + at + 1);
}

} // namespace

bool wordsMatch(Characters scriptWord, Characters spokenWord)
{
    const size_t a = scriptWord.size();
    const size_t b = spokenWord.size();
    if (a == b && std::equal(scriptWord.begin(), scriptWord.end(), spokenWord.begin()))
        return true;
    if (a < 4 || b < 4)
        return false; // short words must match exactly (this covers empty ones)
    if ((a > b ? a - b : b - a) > 2)
        return false;
    if (withinOneEdit(scriptWord, spokenWord))
        return true;
    if (a < 5 || b < 5)
        return false;
    if (!std::equal(scriptWord.begin(), scriptWord.begin() + 5, spokenWord.begin()))
        return false;
    return double(std::min(a, b)) / double(std::max(a, b)) >= 0.75;
}

} // namespace tandrel::wordforms
