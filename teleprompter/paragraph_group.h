#pragma once

#include "speech/token.h"

#include <QList>

namespace tandrel {

// A run of consecutive tokens with the same paragraph number.
struct ParagraphGroup
{
    qint64 paragraph = 0;
    QList<Token> tokens;
    bool operator==(const ParagraphGroup &) const = default;
};

// Groups tokens by runs: only neighbours with equal paragraph numbers share a
// group, so paragraph numbers 0, 0, 1, 0 give three groups.
QList<ParagraphGroup> groupParagraphs(const QList<Token> &tokens);

} // namespace tandrel
