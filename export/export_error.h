#pragma once

#include "platform/atomic_file.h"
#include "platform/file_error.h"

#include <QString>
#include <optional>
#include <utility>

namespace tandrel {

// Why a reel cannot be exported.
enum class ExportError {
    noTakes, // the reel has no takes
    noMedia, // no take has a usable video or audio file
    folderNotCreated, // the export folder could not be made; `cause` says why
    notAFolder, // something other than a folder lies where the export folder goes
    fileNotWritten, // a file of the export could not be written; `write` says why
};

// The failure with what the words shown for it need: the folder or file
// concerned and the system's cause.
struct ExportFailure
{
    ExportError kind = ExportError::noTakes;
    QString path{};
    FileError cause{}; // folderNotCreated
    AtomicWriteFailure write{}; // fileNotWritten
    bool operator==(const ExportFailure &) const = default;
};

// A value of an export step, or why it failed.
template<typename T> class ExportResult
{
public:
    ExportResult(T value) : m_value(std::move(value)) { }
    ExportResult(ExportError error) : m_failure(ExportFailure{error}) { }
    ExportResult(ExportFailure failure) : m_failure(std::move(failure)) { }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T &value() const { return *m_value; }
    // The case of a failure; none on success.
    std::optional<ExportError> error() const
    {
        return m_failure ? std::optional(m_failure->kind) : std::nullopt;
    }
    // The whole failure; none on success.
    const std::optional<ExportFailure> &failure() const { return m_failure; }

private:
    std::optional<T> m_value;
    std::optional<ExportFailure> m_failure;
};

} // namespace tandrel
