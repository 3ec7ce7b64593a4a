#pragma once

#include "library/reel_project.h"

#include <QString>
#include <functional>

class QWidget;

namespace tandrel {

struct AppContext;

// The export command of the windows: writes the chosen editor's file into
// the reel folder and hands it on. A Kdenlive or Shotcut project goes to the
// editor's program (its desktop entry, else the desktop's handler); the
// FCPXML bundle, which no program on Linux opens, is shown in the file
// manager. A write failure becomes a note at once; a hand-over that fails
// becomes the alert of `DesktopHandOver` over `parent`, naming the file;
// only a hand-over that worked gives the note that says where the file lies.
class ExportHandOver
{
public:
    // `brief`: the record workspace's shorter wording for the bundle.
    static void run(const ReelProject &reel, AppContext &context, QWidget *parent, bool brief,
                    std::function<void(const QString &)> note);
};

} // namespace tandrel
