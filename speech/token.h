#pragma once

#include <QString>

namespace tandrel {

// One word of a script or of a recognised text. Offsets and lengths count
// UTF-16 code units of the source text.
struct Token
{
    qint64 index = 0; // position in its token list
    QString raw; // the word as written plus the punctuation touching it
    QString normalized; // comparison form of the word alone
    qint64 offset = 0; // start of the word in the source text
    qint64 length = 0; // length of raw
    qint64 paragraph = 0; // line feeds before the word
    bool operator==(const Token &) const = default;
};

} // namespace tandrel
