#include "teleprompter/paragraph_group.h"

namespace tandrel {

QList<ParagraphGroup> groupParagraphs(const QList<Token> &tokens)
{
    QList<ParagraphGroup> groups;
    for (const Token &token : tokens) {
        if (!groups.isEmpty() && groups.last().paragraph == token.paragraph)
            groups.last().tokens.append(token);
        else
            groups.append({token.paragraph, {token}});
    }
    return groups;
}

} // namespace tandrel
