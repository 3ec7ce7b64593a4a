#pragma once

#include <QString>
#include <utility>
#include <variant>

namespace tandrel {

// A value or a German error text. Failures are values: nothing throws across
// module boundaries.
template<typename T>
class Result
{
public:
    Result(T value) : m_data(std::move(value)) { }
    static Result failure(QString message) { return Result(Error{std::move(message)}); }

    bool ok() const { return std::holds_alternative<T>(m_data); }
    explicit operator bool() const { return ok(); }
    const T &value() const { return std::get<T>(m_data); }
    T &value() { return std::get<T>(m_data); }
    // Non-const access as with std::optional, so that std::move(*result)
    // moves the value instead of copying it.
    const T &operator*() const { return value(); }
    T &operator*() { return value(); }
    const T *operator->() const { return &value(); }
    T *operator->() { return &value(); }
    QString error() const { return ok() ? QString() : std::get<Error>(m_data).message; }

private:
    struct Error {
        QString message;
    };
    explicit Result(Error e) : m_data(std::move(e)) { }
    std::variant<T, Error> m_data;
};

// Success or a German error text, for operations without a value.
class Status
{
public:
    Status() = default;
    static Status failure(QString message) { Status s; s.m_error = std::move(message); s.m_failed = true; return s; }
    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    QString error() const { return m_error; }

private:
    QString m_error;
    bool m_failed = false;
};

} // namespace tandrel
