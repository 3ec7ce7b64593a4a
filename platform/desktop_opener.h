#pragma once

#include <QString>

namespace tandrel {

// Hands a file or folder to another program. Tests substitute their own
// opener to record what would have been opened.
class DesktopOpener
{
public:
    virtual ~DesktopOpener() = default;
    // Whether the desktop accepted the location; nothing is known about what
    // the receiving program does with it.
    virtual bool open(const QString &path) = 0;
};

// Opens a location with the desktop's default handler (QDesktopServices).
// Needs a QGuiApplication.
class SystemDesktopOpener : public DesktopOpener
{
public:
    bool open(const QString &path) override;
};

} // namespace tandrel
