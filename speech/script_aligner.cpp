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
    m_cursor = std::clamp<qint64>(cursor, 0, m_tokens.size());
}

void ScriptAligner::setLookahead(qint64 lookahead)
{
    m_lookahead = std::max<qint64>(lookahead, 0);
}

void ScriptAligner::replaceScript(const QString &script)
{
    if (script == m_script && !m_tokens.isEmpty())
        return;
    const bool remembered = m_cursor < m_tokens.size();
    const QString nextWord = remembered ? m_tokens.at(m_cursor).normalized : QString();
    m_script = script;
    m_tokens = tokenize(script);
    rebuildCharacters();

    const auto found = !remembered ? m_tokens.cend()
                                   : std::find_if(m_tokens.cbegin(), m_tokens.cend(),
                                                  [&](const Token &t) { return t.normalized == nextWord; });
    if (found != m_tokens.cend())
        m_cursor = found->index;
    else
        m_cursor = std::min<qint64>(m_cursor, m_tokens.size());
    m_lookahead = 0;
}

void ScriptAligner::ingest(const QString &text, bool isFinal)
{
    if (m_tokens.isEmpty()) {
        m_cursor = 0;
        m_lookahead = 0;
        return;
    }
    const WordList spoken = spokenWordList(text);
    const WordList &script = *m_tokenCharacters;
    const qint64 p = walk(spoken, m_tokens.size(), alignmentWindow,
                          [&script](qint64 t) { return script.word(size_t(t)); });
    if (isFinal) {
        m_cursor = p;
        m_lookahead = 0;
    } else {
        m_lookahead = p >= m_cursor ? p - m_cursor : 0;
    }
}

void ScriptAligner::rebuildCharacters()
{
    auto characters = std::make_shared<WordList>();
    characters->starts.reserve(size_t(m_tokens.size()) + 1);
    for (const Token &token : m_tokens) {
        wordforms::appendCharacters(token.normalized, characters->chars);
        characters->close();
    }
    m_tokenCharacters = std::move(characters);
}

} // namespace tandrel
