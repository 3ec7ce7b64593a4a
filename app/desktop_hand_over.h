#pragma once

#include "platform/desktop_opener.h"

#include <QString>
#include <functional>

class QMessageBox;
class QWidget;

namespace tandrel {

// What the windows hand to the desktop: a file or folder opened through the
// DesktopOpener, and what the user sees when that fails, an alert over
// `parent` naming the full path. A failed file offers "Im Dateimanager
// zeigen"; a folder that the file manager itself would not show offers
// nothing more than its path. Main thread only.
class DesktopHandOver
{
public:
    enum class Target { file, folder };

    // Opens `path`; `done` runs once the desktop took it. A failure's alert
    // has `heading` (see failureAlert).
    static void open(DesktopOpener &opener, const QString &path, Target target, QWidget *parent,
                     std::function<void()> done = {}, const QString &heading = {});
    // Opens the folder that holds `path` (a file, or a bundle folder), so
    // that it is seen among its neighbours; `done` as above. A failure names
    // `path` itself, under `heading` (see failureAlert).
    static void showInFileManager(DesktopOpener &opener, const QString &path, QWidget *parent,
                                  std::function<void()> done = {}, const QString &heading = {});

    // The alert for a failed hand-over, opened window-modal and deleted when
    // closed. `heading` is its first line ("Öffnen fehlgeschlagen" unless the
    // caller has more to say, as an export does).
    static QMessageBox *failureAlert(DesktopOpener &opener, const QString &path, Target target,
                                     OpenFailure failure, QWidget *parent, const QString &heading = {});
    // Why, in German, before the path.
    static QString reason(OpenFailure failure, Target target);
};

} // namespace tandrel
