#include "platform/file_error.h"

#include <cerrno>

namespace tandrel {

FileError FileError::last()
{
    return FileError{errno};
}

} // namespace tandrel
