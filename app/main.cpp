#include "app/desktop_integration.h"
#include "app/symbols.h"
#include "app/tandrel_app.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication::setOrganizationName(QStringLiteral("Tandrel"));
    QApplication::setApplicationName(QStringLiteral("Tandrel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tandrel"));
    QApplication::setDesktopFileName(QStringLiteral("org.tandrel.tandrel"));
    tandrel::preferPortalFileDialogs();
    QApplication app(argc, argv);
    tandrel::followDesktopColorScheme(app);
    app.setWindowIcon(tandrel::applicationIcon());
    // The windows share objects that outlive every window: closing the last
    // window ends the process, and the objects go with it.
    tandrel::TandrelApp tandrel;
    tandrel.show();
    return app.exec();
}
