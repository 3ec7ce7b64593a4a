#pragma once

#include <QString>

namespace tandrel {

// A file-system failure as the operating system numbers it (an errno value);
// 0 when the cause is not known.
struct FileError
{
    int code = 0;

    // The cause of the system call that has just failed. Read it right after
    // the failing call, before anything else can touch errno.
    static FileError last();

    bool operator==(const FileError &) const = default;
};

// The German words for `error` as they appear in the source: the messages
// the engines build use them as they are, the windows and tandrelctl have
// them translated (context "tandrel::FileError"). Null for a cause without
// words of its own.
const char *fileErrorWords(FileError error);

// The failure in German words; a cause without words of its own is named in
// the system's words, an unknown one is "Unbekannter Fehler".
QString germanFileError(FileError error);

} // namespace tandrel
