#pragma once

#include "app/library_error_text.h"
#include "cli/cli_context.h"
#include "library/library_store.h"
#include "platform/settings_store.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <memory>

namespace tandrel::cli {

// The library store as the commands use it: the folder from --library, or the
// application's own remembered folder. Reading commands open it read-only:
// they create no folder and report a missing one, but for the default folder
// before the first import, which holds an empty library.
// `--take N`: none when absent, false when N is no whole number from 1 on.
inline bool parseTakeOption(const CliContext &ctx, std::optional<qint64> &take)
{
    const std::optional<QString> text = ctx.option(QStringLiteral("--take"));
    if (!text)
        return true;
    bool valid = false;
    take = text->toLongLong(&valid);
    return valid && *take >= 1;
}

class LibraryCommand
{
public:
    explicit LibraryCommand(CliContext &ctx, LibraryStore::Access access = LibraryStore::Access::readWrite)
        : m_settings(std::make_unique<SettingsStore>()),
          m_store(*m_settings, ctx.libraryDir, nullptr, access), m_access(access), m_ctx(ctx)
    { }

    LibraryStore &store() { return m_store; }

    // The first reel in reel order with `number`; none after printing the
    // German text that there is no such reel.
    std::optional<ReelProject> reelNumbered(qint64 number)
    {
        QList<ReelProject> reels = m_store.reels();
        sortInReelOrder(reels);
        for (const ReelProject &reel : reels)
            if (reel.prefix == number)
                return reel;
        m_ctx.fail(QCoreApplication::translate("tandrelctl", "Kein Reel mit der Nummer %1.")
                           .arg(QString::asprintf("%03lld", static_cast<long long>(number))));
        return std::nullopt;
    }

    // A failure the store met (reading or saving the library), printed as the
    // command's failure; ExitFailure then, otherwise 0.
    int storeFailure()
    {
        if (m_access == LibraryStore::Access::readOnly) {
            const QFileInfo folder(m_store.rootPath());
            // Before the first import the default folder is not made yet:
            // that library is empty. A folder the user named or the
            // application remembers and that is missing is reported.
            const bool firstStart = !m_ctx.libraryDir && !m_store.unreachableFolder()
                    && m_store.rootPath() == LibraryStore::defaultFolder();
            if (!folder.exists()) {
                if (!firstStart)
                    return m_ctx.fail(
                            QCoreApplication::translate(
                                    "tandrelctl", "Bibliothek nicht gefunden: Den Ordner %1 gibt es nicht.")
                                    .arg(folder.filePath()));
            } else if (!folder.isDir()) {
                return m_ctx.fail(QCoreApplication::translate(
                                          "tandrelctl", "Bibliothek nicht gefunden: %1 ist kein Ordner.")
                                          .arg(folder.filePath()));
            } else if (!folder.isReadable() || !folder.isExecutable()) {
                return m_ctx.fail(QCoreApplication::translate(
                                          "tandrelctl",
                                          "Bibliothek konnte nicht gelesen werden: Keine Berechtigung für "
                                          "den Ordner %1.")
                                          .arg(folder.filePath()));
            }
        }
        // Notes such as recovered takes go where errors go, apart from the output.
        if (const int recovered = m_store.recoveredNote())
            m_ctx.err << recoveredTakesText(recovered) << Qt::endl;
        if (const std::optional<LibraryError> error = m_store.lastError())
            return m_ctx.fail(libraryErrorText(*error));
        return 0;
    }

    // The reel numbered `number` once the store opened without a failure;
    // else none, with the failure printed and `exitCode` set to return.
    std::optional<ReelProject> openReel(qint64 number, int &exitCode)
    {
        exitCode = storeFailure();
        if (exitCode != 0)
            return std::nullopt;
        std::optional<ReelProject> reel = reelNumbered(number);
        if (!reel)
            exitCode = ExitFailure;
        return reel;
    }

    // The take `number` names (counted from 1 in recording order), else the
    // one at `fallbackIndex`; none after printing why the reel has no such take.
    std::optional<Take> takeOf(const ReelProject &reel, std::optional<qint64> number, qsizetype fallbackIndex)
    {
        const QString label = QString::asprintf("%03lld", static_cast<long long>(reel.prefix));
        if (reel.takes.isEmpty()) {
            m_ctx.fail(QCoreApplication::translate("tandrelctl", "Reel %1 hat keine Takes.").arg(label));
            return std::nullopt;
        }
        if (number && *number > reel.takes.size()) {
            m_ctx.fail(reel.takes.size() == 1
                               ? QCoreApplication::translate("tandrelctl", "Reel %1 hat nur einen Take.")
                                         .arg(label)
                               : QCoreApplication::translate("tandrelctl", "Reel %1 hat nur %2 Takes.")
                                         .arg(label)
                                         .arg(reel.takes.size()));
            return std::nullopt;
        }
        return reel.takes.at(number ? *number - 1 : fallbackIndex);
    }

private:
    std::unique_ptr<SettingsStore> m_settings;
    LibraryStore m_store;
    LibraryStore::Access m_access;
    CliContext &m_ctx;
};

} // namespace tandrel::cli
