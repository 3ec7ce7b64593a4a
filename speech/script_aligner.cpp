#include "speech/script_aligner.h"

#include "speech/word_forms.h"

#include <algorithm>

namespace tandrel {

namespace {

using wordforms::Character;
using wordforms::Characters;
using wordforms::WordList;

// The alignment walk over prepared words; see ScriptAligner::alignedPosition.
template<typename ScriptWord>
qint64 walk(const WordList &spoken, qint64 tokenCount, qint64 window, ScriptWord &&scriptWord)
{
    qint64 p = 0;
    for (size_t s = 0; s < spoken.size(); ++s) {
        if (p >= tokenCount)
            break;
        const Characters word = spoken.word(s);
        const qint64 stop = p + std::clamp<qint64>(window, 0, tokenCount - p);
        for (qint64 t = p; t < stop; ++t) {
            if (wordforms::wordsMatch(scriptWord(t), word)) {
                p = t + 1;
                break;
            }
        }
    }
    return p;
}

// The spoken words of a transcript, folded straight into characters.
WordList spokenWordList(const QString &text)
{
    WordList words;
    words.chars.reserve(size_t(text.size()));
    wordforms::scanWords(text, [&](qsizetype start, qsizetype end, qsizetype, qint64) {
        const size_t before = words.chars.size();
        wordforms::appendFoldedCharacters(QStringView(text).mid(start, end - start), words.chars);
        if (words.chars.size() > before) // empty forms are no spoken words
            words.close();
    });
    return words;
}

} // namespace

QList<Token> ScriptAligner::tokenize(const QString &text)
{
    QList<Token> tokens;
    wordforms::scanWords(text, [&](qsizetype start, qsizetype end, qsizetype rawEnd, qint64 paragraph) {
        const QStringView view(text);
        tokens.append(Token{tokens.size(), view.mid(start, rawEnd - start).toString(),
                            wordforms::foldWord(view.mid(start, end - start)), start, rawEnd - start,
                            paragraph});
    });
    return tokens;
}

QStringList ScriptAligner::spokenWords(const QString &text)
{
    QStringList words;
    wordforms::scanWords(text, [&](qsizetype start, qsizetype end, qsizetype, qint64) {
        QString word = wordforms::foldWord(QStringView(text).mid(start, end - start));
        if (!word.isEmpty())
            words.append(std::move(word));
    });
    return words;
}

int ScriptAligner::editDistance(const QString &a, const QString &b)
{
    std::vector<Character> ca, cb;
    wordforms::appendCharacters(a, ca);
    wordforms::appendCharacters(b, cb);
    return wordforms::editDistance(ca, cb);
}

bool ScriptAligner::wordsMatch(const QString &scriptWord, const QString &spokenWord)
{
    std::vector<Character> a, b;
    wordforms::appendCharacters(scriptWord, a);
    wordforms::appendCharacters(spokenWord, b);
    return wordforms::wordsMatch(a, b);
}

qint64 ScriptAligner::alignedPosition(const QStringList &spokenWords, const QList<Token> &tokens,
                                      qint64 window)
{
    WordList spoken, script;
    for (const QString &word : spokenWords) {
        wordforms::appendCharacters(word, spoken.chars);
        spoken.close();
    }
    for (const Token &token : tokens) {
        wordforms::appendCharacters(token.normalized, script.chars);
        script.close();
    }
    return walk(spoken, tokens.size(), window, [&](qint64 t) { return script.word(size_t(t)); });
}

void ScriptAligner::setCursor(qint64 cursor)
{
    m_cursor = std::clamp<qint64>(cursor, 0, m_document->tokenCount());
}

void ScriptAligner::setLookahead(qint64 lookahead)
{
    m_lookahead = std::max<qint64>(lookahead, 0);
}

void ScriptAligner::replaceScript(const QString &script)
{
    if (script == this->script() && !tokens().isEmpty())
        return;
    replaceScript(ScriptDocument::make(script));
}

void ScriptAligner::replaceScript(ScriptDocumentPtr document)
{
    if (!document)
        document = ScriptDocument::empty();
    if (document->text() == script()) {
        m_document = std::move(document); // the same tokens: shared, the position stays
        if (tokens().isEmpty())
            m_lookahead = 0; // nothing to look ahead into
        return;
    }
    const QList<Token> &before = tokens();
    const bool remembered = m_cursor < before.size();
    const QString nextWord = remembered ? before.at(m_cursor).normalized : QString();
    m_document = std::move(document);

    const QList<Token> &after = tokens();
    const auto found = !remembered ? after.cend()
                                   : std::find_if(after.cbegin(), after.cend(),
                                                  [&](const Token &t) { return t.normalized == nextWord; });
    if (found != after.cend())
        m_cursor = found->index;
    else
        m_cursor = std::min<qint64>(m_cursor, after.size());
    m_lookahead = 0;
}

void ScriptAligner::ingest(const QString &text, bool isFinal)
{
    if (tokens().isEmpty()) {
        m_cursor = 0;
        m_lookahead = 0;
        return;
    }
    const WordList spoken = spokenWordList(text);
    const WordList &script = m_document->characters();
    const qint64 p = walk(spoken, tokens().size(), alignmentWindow,
                          [&script](qint64 t) { return script.word(size_t(t)); });
    if (isFinal) {
        m_cursor = p;
        m_lookahead = 0;
    } else {
        m_lookahead = p >= m_cursor ? p - m_cursor : 0;
    }
}

} // namespace tandrel
