#pragma once

class QString;

namespace tandrel {

// A file-system failure as the operating system numbers it (an errno value);
// 0 when the cause is not known.
struct FileError
{
    int code = 0;

    // The cause of the system call that has just failed. Read it right after
    // the failing call, before anything else can touch errno.
    static FileError last();
    // The cause of an open of `path` for reading that has just failed. Qt
    // opens a folder and then refuses it itself, leaving errno as some
    // earlier call set it: a folder is EISDIR.
    static FileError lastOpen(const QString &path);

    bool operator==(const FileError &) const = default;
};

} // namespace tandrel
