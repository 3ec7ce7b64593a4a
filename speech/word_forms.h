#pragma once

// Building blocks of the script aligner: finding words in a text, their
// comparison form, and comparing words as sequences of characters.

#include <QChar>
#include <QString>
#include <QStringView>
#include <span>
#include <vector>

namespace tandrel::wordforms {

// One character (grapheme cluster) of a normalized word. A cluster of up to
// three code points is packed exactly (21 bits each); a longer one, which a
// folded word practically never holds, is a hash with the top bit set.
using Character = quint64;
using Characters = std::span<const Character>;

inline bool isWordCodePoint(char32_t c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')
            || (c >= 0x80 && QChar::isLetter(c));
}

inline bool isJoiner(QChar c)
{
    return c == u'\'' || c == u'\u2019' || c == u'-';
}

inline bool isTrailingPunctuation(QChar c)
{
    switch (c.unicode()) {
    case u',':
    case u'.':
    case u'!':
    case u'?':
    case u';':
    case u':':
    case u'\u2026':
        return true;
    default:
        return false;
    }
}

// The code point starting at i and its length in code units (a lone
// surrogate stands for itself).
inline char32_t codePointAt(QStringView text, qsizetype i, qsizetype *units)
{
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        *units = 2;
        return QChar::surrogateToUcs4(c, text[i + 1]);
    }
    *units = 1;
    return c.unicode();
}

// Length in code units of the word-character run starting at i (0 if none).
inline qsizetype wordRunLength(QStringView text, qsizetype i)
{
    const qsizetype begin = i;
    while (i < text.size()) {
        qsizetype units = 1;
        if (!isWordCodePoint(codePointAt(text, i, &units)))
            break;
        i += units;
    }
    return i - begin;
}

// Calls onWord(start, end, rawEnd, paragraph) for every word of the text, left
// to right: [start, end) is the word, [start, rawEnd) the word with its
// trailing punctuation, paragraph the number of line feeds before it (a line
// feed right after a carriage return is part of one line break character and
// does not count).
template<typename OnWord> void scanWords(QStringView text, OnWord &&onWord)
{
    qint64 paragraph = 0;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const qsizetype run = wordRunLength(text, i);
        if (run == 0) {
            if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'))
                ++paragraph;
            ++i;
            continue;
        }
        const qsizetype start = i;
        i += run;
        while (i + 1 < n && isJoiner(text[i])) {
            const qsizetype next = wordRunLength(text, i + 1);
            if (next == 0)
                break;
            i += 1 + next;
        }
        const qsizetype end = i;
        while (i < n && isTrailingPunctuation(text[i]))
            ++i;
        onWord(start, end, i, paragraph);
    }
}

// Words as one flat run of characters: word i is
// chars[starts[i] .. starts[i + 1]).
struct WordList
{
    std::vector<Character> chars;
    std::vector<quint32> starts{0};

    size_t size() const { return starts.size() - 1; }
    Characters word(size_t i) const
    {
        return Characters(chars.data() + starts[i], starts[i + 1] - starts[i]);
    }
    // Ends the word begun by the characters appended since the last one.
    void close() { starts.push_back(quint32(chars.size())); }
};

// The comparison form of a word: case and diacritics folded (canonical
// decomposition, combining marks removed, case folding), "ß" written "ss",
// lower case, recomposed.
QString foldWord(QStringView word);

// Appends the characters of a string.
void appendCharacters(QStringView text, std::vector<Character> &out);
// Appends the characters of foldWord(word), without building a string for
// plain ASCII words.
void appendFoldedCharacters(QStringView word, std::vector<Character> &out);

// Levenshtein distance of two character sequences.
int editDistance(Characters a, Characters b);
// The tolerant word comparison on character sequences.
bool wordsMatch(Characters scriptWord, Characters spokenWord);

} // namespace tandrel::wordforms
