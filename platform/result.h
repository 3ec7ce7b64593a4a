#pragma once

#include <QString>
#include <utility>
#include <variant>

namespace tandrel {

// A value or why there is none. Failures are values: nothing throws across
// module boundaries. Engines name the failure with a typed value of their
// own (`E`); the words are made where they are shown. A QString failure is a
// text for a person, kept where no typed value exists yet.
template<typename T, typename E = QString> class Result
{
public:
    Result(T value) : m_data(std::move(value)) { }
    static Result failure(E error) { return Result(Error{std::move(error)}); }

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
    // The failure; a default value on success.
    E error() const { return ok() ? E() : std::get<Error>(m_data).error; }

private:
    struct Error {
        E error;
    };
    explicit Result(Error e) : m_data(std::move(e)) { }
    std::variant<T, Error> m_data;
};

// Success or why not, for operations without a value.
template<typename E = QString> class BasicStatus
{
public:
    BasicStatus() = default;
    static BasicStatus failure(E error)
    {
        BasicStatus s;
        s.m_error = std::move(error);
        s.m_failed = true;
        return s;
    }
    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    E error() const { return m_error; }

private:
    E m_error{};
    bool m_failed = false;
};

using Status = BasicStatus<>;

} // namespace tandrel
