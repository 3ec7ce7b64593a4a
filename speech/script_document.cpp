#include "speech/script_document.h"

#include "speech/script_aligner.h"
#include "speech/word_forms.h"

namespace tandrel {

ScriptDocument::ScriptDocument(const QString &text) : m_text(text), m_tokens(ScriptAligner::tokenize(text))
{
    auto characters = std::make_shared<wordforms::WordList>();
    characters->starts.reserve(size_t(m_tokens.size()) + 1);
    for (const Token &token : m_tokens) {
        wordforms::appendCharacters(token.normalized, characters->chars);
        characters->close();
    }
    m_characters = std::move(characters);
}

std::shared_ptr<const ScriptDocument> ScriptDocument::make(const QString &text)
{
    if (text.isEmpty())
        return empty();
    return std::shared_ptr<const ScriptDocument>(new ScriptDocument(text));
}

const std::shared_ptr<const ScriptDocument> &ScriptDocument::empty()
{
    static const std::shared_ptr<const ScriptDocument> document(new ScriptDocument(QString()));
    return document;
}

} // namespace tandrel
