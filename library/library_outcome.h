#pragma once

#include "library/library_error.h"

#include <type_traits>
#include <utility>
#include <variant>

namespace tandrel {

// Why a change to the library did not happen as asked.
struct LibraryFailure
{
    enum class Kind {
        notFound, // the reel or take is no longer in the library
        numbersExhausted, // no free reel number is left
        notSaved, // library.json could not be locked or written: nothing changed on disk
        noTrash, // the files' drive has no trash: nothing changed
        filesKept, // the files could not be moved away: they and their record stay
    };
    Kind kind = Kind::notSaved;
    LibraryError error;
    bool operator==(const LibraryFailure &) const = default;
};

// What a change operation of the library returns: its value, or why it failed.
template<typename T = std::monostate> class LibraryOutcome
{
public:
    LibraryOutcome() requires std::is_same_v<T, std::monostate> : m_data(T{}) { }
    LibraryOutcome(T value) : m_data(std::move(value)) { }
    LibraryOutcome(LibraryFailure failure) : m_data(std::move(failure)) { }
    static LibraryOutcome refused(LibraryFailure::Kind kind, LibraryError error)
    {
        return LibraryFailure{kind, std::move(error)};
    }

    bool ok() const { return std::holds_alternative<T>(m_data); }
    explicit operator bool() const { return ok(); }
    const T &value() const { return std::get<T>(m_data); }
    const T &operator*() const { return value(); }
    const T *operator->() const { return &value(); }
    const LibraryFailure &failure() const { return std::get<LibraryFailure>(m_data); }
    // Only when !ok().
    const LibraryError &error() const { return failure().error; }

private:
    std::variant<T, LibraryFailure> m_data;
};

} // namespace tandrel
