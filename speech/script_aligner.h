#pragma once

#include "speech/script_document.h"
#include "speech/token.h"

#include <QList>
#include <QStringList>
#include <memory>

namespace tandrel {

// The reading position of a speaker within a script. A plain value: it shares
// its script's document and does no input or output, so it is copied whole
// and may be compared to skip needless change notifications. Used on the main
// thread.
//
// `cursor` is the number of script tokens confirmed as spoken (the token at
// that index is the next to read, 0 ≤ cursor ≤ token count); `lookahead` is
// how far beyond it the latest pending recognition reaches (never negative).
class ScriptAligner
{
public:
    // How many unread tokens one spoken word may look ahead (nearest first).
    static constexpr qint64 alignmentWindow = 12;

    // Cuts any text into word tokens: runs of ASCII digits and letters, joined
    // by single apostrophes (' or ’) or hyphens, with the run of ",.!?;:…"
    // that touches them kept in `raw`.
    static QList<Token> tokenize(const QString &text);
    // The non-empty normalized forms of tokenize(text), in order.
    static QStringList spokenWords(const QString &text);
    // Levenshtein distance over characters (grapheme clusters).
    static int editDistance(const QString &a, const QString &b);
    // Tolerant comparison of two normalized words: equal, one edit apart, or
    // sharing the first five characters with lengths at least 3:4 apart.
    // Words shorter than four characters must be equal.
    static bool wordsMatch(const QString &scriptWord, const QString &spokenWord);
    // Greedy walk from the script's first token: each spoken word moves the
    // position past the nearest matching token among the next `window`
    // tokens; a word without such a match is dropped.
    static qint64 alignedPosition(const QStringList &spokenWords, const QList<Token> &tokens, qint64 window);

    const ScriptDocumentPtr &document() const { return m_document; }
    const QString &script() const { return m_document->text(); }
    const QList<Token> &tokens() const { return m_document->tokens(); }
    qint64 cursor() const { return m_cursor; }
    qint64 lookahead() const { return m_lookahead; }

    // Direct writes of the position (rewinding is the owner's business).
    // Clamped to the invariants: 0 ≤ cursor ≤ token count, lookahead ≥ 0.
    void setCursor(qint64 cursor);
    void setLookahead(qint64 lookahead);

    // Takes a new script and keeps the reader on the word to be read next
    // where that word still exists; an unchanged script changes nothing.
    void replaceScript(const QString &script);
    void replaceScript(ScriptDocumentPtr document);
    // Aligns a whole recognised transcript from the script's start: a final
    // one sets the cursor (also backwards), a pending one only the lookahead.
    void ingest(const QString &text, bool isFinal);

    bool operator==(const ScriptAligner &other) const
    {
        return m_cursor == other.m_cursor && m_lookahead == other.m_lookahead
                && (m_document == other.m_document || script() == other.script());
    }

private:
    ScriptDocumentPtr m_document = ScriptDocument::empty();
    qint64 m_cursor = 0;
    qint64 m_lookahead = 0;
};

} // namespace tandrel
