#pragma once

#include "platform/atomic_file.h"
#include "platform/file_error.h"
#include "platform/result.h"
#include "platform/trash.h"

#include <QJsonParseError>
#include <QList>
#include <QString>
#include <memory>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>

namespace tandrel {

// Why the library could not be read, written or changed, with what the words
// need: which path, member, position or record. The words are made where the
// failure is shown (app/library_error_text.h).
struct LibraryError
{
    enum class Kind {
        // The library folder and library.json.
        noFolderGiven,
        folderNotCreated, // path
        lockBusy, // another process holds the folder's lock
        lockDenied,
        lockNotCreated,
        fileFailed, // reading library.json failed: file
        notWritten, // write
        unreadableNotMovedAside, // file
        // What library.json holds.
        invalidJson, // position, parseError
        notAList,
        reelNotObject,
        takeNotObject,
        intervalNotObject,
        wordNotObject,
        memberMissing, // member
        memberNull, // member
        memberWrongType, // member
        memberNotUuid, // member, value
        memberNotDate, // member, value
        // Values that JSON cannot hold.
        numberNotFinite, // member, or none when the writer found it
        dateNotWritable, // member
        // Changes.
        notFound, // the reel or take is no longer in the library
        numbersExhausted,
        noTrash,
        notDeleted, // path
        notTrashed, // trash
        // The files of a deleted reel or take stay: cause says why; reel
        // names it (reel) with its folder (path); restored tells whether it
        // is back in the library.
        reelNotTrashed,
        reelNotDeleted,
        takeNotTrashed,
        takeNotDeleted,
    };
    // What was being done when a failure of library.json came up.
    enum class Step { none, reading, saving };
    // A record inside library.json, outermost first, numbered from 1.
    struct Place
    {
        enum class Record { reel, take, interval, word };
        Place() = default;
        Place(Record r, qint64 n, QString l = {}) : record(r), number(n), label(std::move(l)) { }
        Record record = Record::reel;
        qint64 number = 0;
        QString label; // the reel's label when writing
        bool operator==(const Place &) const = default;
    };

    Kind kind = Kind::fileFailed;
    Step step = Step::none;
    QList<Place> places;
    QString path;
    QString member;
    QString value;
    AtomicWriteFailure write;
    TrashFailure trash;
    qint64 position = 0;
    QJsonParseError::ParseError parseError = QJsonParseError::NoError;
    FileError file;
    qint64 reel = 0; // the reel's number
    bool restored = false;
    std::shared_ptr<const LibraryError> cause;

    LibraryError() = default;
    LibraryError(Kind k) : kind(k) { }

    static LibraryError at(Kind kind, QString path)
    {
        LibraryError error(kind);
        error.path = std::move(path);
        return error;
    }
    static LibraryError ofMember(Kind kind, QString member, QString value = {})
    {
        LibraryError error(kind);
        error.member = std::move(member);
        error.value = std::move(value);
        return error;
    }
    static LibraryError ofFile(Kind kind, FileError file)
    {
        LibraryError error(kind);
        error.file = file;
        return error;
    }
    // This failure inside the record `record` number `number`.
    LibraryError inside(Place::Record record, qint64 number, QString label = {}) &&
    {
        places.prepend(Place{record, number, std::move(label)});
        return std::move(*this);
    }
    LibraryError during(Step s) &&
    {
        step = s;
        return std::move(*this);
    }

    bool operator==(const LibraryError &other) const
    {
        const auto fields = [](const LibraryError &e) {
            return std::tie(e.kind, e.step, e.places, e.path, e.member, e.value, e.write, e.trash, e.position,
                            e.parseError, e.file, e.reel, e.restored);
        };
        if (fields(*this) != fields(other) || bool(cause) != bool(other.cause))
            return false;
        return !cause || *cause == *other.cause;
    }
};

// A value of the library, or why it is missing. A failure converts from the
// error or its kind, so that the store's many early returns stay short.
template<typename T = std::monostate> class LibraryResult : public Result<T, LibraryError>
{
    using Base = Result<T, LibraryError>;

public:
    LibraryResult() requires std::is_same_v<T, std::monostate> : Base(T{}) { }
    LibraryResult(T value) : Base(std::move(value)) { }
    LibraryResult(LibraryError error) : Base(Base::failure(std::move(error))) { }
    LibraryResult(LibraryError::Kind kind) : LibraryResult(LibraryError(kind)) { }
};

using LibraryStatus = LibraryResult<>;

} // namespace tandrel
