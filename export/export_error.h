#pragma once

#include <QString>
#include <optional>
#include <utility>

namespace tandrel {

// Why a reel cannot be exported.
enum class ExportError {
    noTakes, // the reel has no takes
    noMedia, // no take has a usable video or audio file
};

// The German text the callers show for `error`.
QString description(ExportError error);

// A value of an export step, or why it failed: one of the ExportError cases or
// a file-system failure carrying the system's description.
template<typename T> class ExportResult
{
public:
    ExportResult(T value) : m_value(std::move(value)) { }
    ExportResult(ExportError error) : m_error(error), m_description(description(error)) { }
    static ExportResult fileSystemFailure(QString text)
    {
        ExportResult r;
        r.m_description = std::move(text);
        return r;
    }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T &value() const { return *m_value; }
    // The export case of a failure; none on success and for file-system failures.
    std::optional<ExportError> error() const { return m_error; }
    // The text to show for a failure; empty on success.
    QString errorDescription() const { return m_description; }

private:
    ExportResult() = default;
    std::optional<T> m_value;
    std::optional<ExportError> m_error;
    QString m_description;
};

} // namespace tandrel
