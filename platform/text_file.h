#pragma once

#include "platform/file_error.h"
#include "platform/result.h"

#include <QString>

class QIODevice;

namespace tandrel {

// Why a text could not be had from a file.
struct TextFileFailure
{
    enum class Kind {
        notRead, // the system refused it; `cause` says why (a folder: EISDIR)
        notUtf8, // its bytes are no UTF-8
    };
    Kind kind = Kind::notRead;
    FileError cause{};
    bool operator==(const TextFileFailure &) const = default;
};

// The whole text of the file at `path`, or of `device` (already open, such
// as standard input), decoded as UTF-8. Bytes that are no UTF-8 refuse the
// whole text rather than turning into replacement characters.
Result<QString, TextFileFailure> readTextFile(const QString &path);
Result<QString, TextFileFailure> readText(QIODevice &device);

} // namespace tandrel
