#pragma once

#include <QString>
#include <optional>
#include <utility>

namespace tandrel {

// Why a finished reel was not made.
enum class RenderError {
    noMedia, // the take names no video or audio file
    missingTakeFile, // a file the take names is not there or cannot be read
    diskFull, // the reel's folder has no room for the file
    writeFailed, // the file could not be written completely
    engineFailed, // the rendering engine could not be set up
    cancelled,
};

// A value of a render step, or why it failed; `detail` names the file or the
// folder concerned. The words are made where the failure is shown.
template<typename T> class RenderResult
{
public:
    RenderResult(T value) : m_value(std::move(value)) { }
    RenderResult(RenderError error, const QString &detail = {}) : m_error(error), m_detail(detail) { }

    // The failure of another step, passed on with its detail.
    template<typename U> static RenderResult failureOf(const RenderResult<U> &other)
    {
        return RenderResult(*other.error(), other.errorDetail());
    }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T &value() const { return *m_value; }
    const T &operator*() const { return *m_value; }
    const T *operator->() const { return &*m_value; }
    // None on success.
    std::optional<RenderError> error() const { return m_error; }
    QString errorDetail() const { return m_detail; }

private:
    std::optional<T> m_value;
    std::optional<RenderError> m_error;
    QString m_detail;
};

} // namespace tandrel
