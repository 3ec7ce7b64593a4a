#pragma once

#include "speech/token.h"

#include <QList>
#include <QString>
#include <memory>

namespace tandrel {

namespace wordforms {
struct WordList;
}

// A script as everyone who reads it shares it: the text, its word tokens and
// their comparison characters, made once per text and never changed, so the
// follower that moves through it and the teleprompter that shows it hold the
// same tokens. Any thread may read it.
class ScriptDocument
{
public:
    static std::shared_ptr<const ScriptDocument> make(const QString &text);
    // The document of the empty script, shared by everyone who has none.
    static const std::shared_ptr<const ScriptDocument> &empty();

    const QString &text() const { return m_text; }
    const QList<Token> &tokens() const { return m_tokens; }
    qint64 tokenCount() const { return m_tokens.size(); }
    // The characters of every token's normalized form, in token order.
    const wordforms::WordList &characters() const { return *m_characters; }

private:
    explicit ScriptDocument(const QString &text);

    QString m_text;
    QList<Token> m_tokens;
    std::shared_ptr<const wordforms::WordList> m_characters;
};

using ScriptDocumentPtr = std::shared_ptr<const ScriptDocument>;

} // namespace tandrel
