#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace tandrel {

// Why the desktop did not open a location.
enum class OpenFailure {
    noOpener, // the desktop's opener (xdg-open) is missing or does not start
    notFound, // the opener found no such file or folder
    noProgram, // no program is set up for this kind of file
    refused, // the opener or the program it chose reported an error
};

// Hands a file or folder to the program the desktop assigns to it. Tests
// substitute their own opener to record what would have been opened.
class DesktopOpener
{
public:
    // How the hand-over went: none when the desktop took the location.
    using Settled = std::function<void(std::optional<OpenFailure>)>;

    virtual ~DesktopOpener() = default;
    // Starts the hand-over without waiting for it: whether the opener
    // started; nothing is known about what the receiving program does.
    virtual bool open(const QString &path) = 0;
    // Starts the hand-over; `settled` learns once, on the main thread,
    // whether it failed. It may be called before openAndReport returns.
    virtual void openAndReport(const QString &path, Settled settled) = 0;
};

// Opens a location with the desktop's opener, xdg-open, which starts the
// program the desktop assigns to the file (its file manager for a folder).
// A failure is what xdg-open reports by its exit status; an opener still
// running after `handOverMs` has handed the file to a program (without a
// desktop session xdg-open waits for that program) and counts as done. The
// opener is never stopped: the program it started belongs to the desktop.
// Main thread only.
class SystemDesktopOpener : public DesktopOpener
{
public:
    static constexpr int handOverMs = 5000;

    bool open(const QString &path) override;
    void openAndReport(const QString &path, Settled settled) override;
};

} // namespace tandrel
