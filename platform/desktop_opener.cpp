#include "platform/desktop_opener.h"

#include <QDesktopServices>
#include <QUrl>

namespace tandrel {

bool SystemDesktopOpener::open(const QString &path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace tandrel
