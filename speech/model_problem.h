#pragma once

#include "platform/file_error.h"

#include <QString>

namespace tandrel {

// What went wrong while a speech model was downloaded, installed or
// removed, with what the words for it need. Travels as this value; the
// words are made where it is shown.
struct ModelProblem
{
    enum class Kind {
        none,
        reported, // a library's own description in `detail` (the network's)
        system, // the system's `cause`
        httpStatus, // the server answered `number` with the reason `detail`
        shortTransfer, // `number` of `total` bytes arrived
        checksumMismatch, // the archive's checksum is `detail`, `expected` was asked for
        notALocale, // `path` names no language
        folderNotCreated, // the models folder `path` could not be made
        stagingNotCreated, // nothing can be made in `path`; `detail` is Qt's reason
        locked, // `path` is held by another install
        archiveMissing, // there is no archive at `path`
        tarNotStarted, // tar did not start; `detail` is Qt's reason
        notUnpacked, // the archive `path` did not unpack; `detail` is tar's message
        fileNotMoved, // the file `path` could not join the model
        noModel, // the archive `path` holds no PocketSphinx model
        oldModelNotReplaced, // the model in `path` could not be moved aside
        modelNotMoved, // the model could not be renamed to `path`
        modelIncomplete, // the model in `path` lacks files
        notRead, // the file `path` could not be read; `detail` is Qt's reason when known
        systemModel, // the model in `path` belongs to the system
        notRemoved, // the model in `path` could not be removed
    };
    Kind kind = Kind::none;
    QString path{};
    QString detail{};
    QString expected{};
    qint64 number = 0, total = 0;
    FileError cause{};

    bool operator==(const ModelProblem &) const = default;
};

} // namespace tandrel
