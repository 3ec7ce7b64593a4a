#pragma once

#include <QString>
#include <optional>

namespace tandrel {

// One block of a Markdown import: an optional reel number, a title that is
// never blank, and the teleprompter script.
struct ImportedReel
{
    std::optional<qint64> prefix;
    QString title;
    QString script;
    bool operator==(const ImportedReel &) const = default;
};

} // namespace tandrel
