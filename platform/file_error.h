#pragma once

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

} // namespace tandrel
