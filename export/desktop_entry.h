#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace tandrel {

// What a freedesktop.org desktop entry ("*.desktop") says about starting its
// program on a file: the keys of its [Desktop Entry] group that matter here.
struct DesktopEntry
{
    QString name;
    QString exec; // the Exec key, string escapes resolved
    QString tryExec;
    bool hidden = false; // Hidden=true: the entry counts as deleted
    bool operator==(const DesktopEntry &) const = default;

    // None when the file cannot be read or its group has no Exec key.
    static std::optional<DesktopEntry> read(const QString &path);

    // Not hidden, and TryExec (else Exec's program) names an executable
    // program, by path or in PATH.
    bool isRunnable() const;

    // Exec split into the program and its arguments for opening `file`: %f and
    // %F become the path, %u and %U its file URL, %% a percent sign; other field
    // codes are dropped. `file` is appended when Exec has no file code. Empty
    // when Exec is empty or has an unterminated quote.
    QStringList command(const QString &file) const;
};

} // namespace tandrel
