#include "app/desktop_integration.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QLibraryInfo>
#include <QPalette>
#include <QStyleFactory>

namespace tandrel {

namespace {

// org.freedesktop.appearance color-scheme: 0 no preference, 1 dark, 2 light.
// An absent portal answers with an error at once; the timeout only bounds a
// portal that hangs.
int portalColorScheme()
{
    QDBusMessage read = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.portal.Desktop"),
                                                       QStringLiteral("/org/freedesktop/portal/desktop"),
                                                       QStringLiteral("org.freedesktop.portal.Settings"),
                                                       QStringLiteral("Read"));
    read << QStringLiteral("org.freedesktop.appearance") << QStringLiteral("color-scheme");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(read, QDBus::Block, 500);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return 0;
    // The value comes wrapped twice: a variant holding a variant.
    QVariant value = reply.arguments().constFirst();
    while (value.canConvert<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value.toInt();
}

bool desktopPrefersDark()
{
    const QString gtkTheme = qEnvironmentVariable("GTK_THEME");
    if (gtkTheme.endsWith(QStringLiteral(":dark"), Qt::CaseInsensitive))
        return true;
    return portalColorScheme() == 1;
}

bool isDark(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightness() < palette.color(QPalette::WindowText).lightness();
}

} // namespace

void preferPortalFileDialogs()
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORMTHEME"))
        return;
    const QDir themes(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platformthemes"));
    if (!themes.entryList({QStringLiteral("*xdgdesktopportal*")}, QDir::Files).isEmpty())
        qputenv("QT_QPA_PLATFORMTHEME", "xdgdesktopportal");
}

void followDesktopColorScheme(QApplication &app)
{
    if (!isDark(app.palette()) && desktopPrefersDark())
        applyDarkPalette(app);
}

void applyDarkPalette(QApplication &app)
{
    // Styles that draw from the palette; the default X11 style would keep
    // light frames around dark fields.
    if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        app.setStyle(fusion);
    QPalette dark;
    const QColor window(0x2b, 0x2d, 0x30), base(0x1e, 0x1f, 0x22), text(0xe8, 0xe8, 0xea);
    const QColor disabledText(0x80, 0x82, 0x86);
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, base);
    dark.setColor(QPalette::AlternateBase, window);
    dark.setColor(QPalette::ToolTipBase, base);
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::PlaceholderText, disabledText);
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, QColor(0x3a, 0x3c, 0x40));
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::BrightText, Qt::white);
    dark.setColor(QPalette::Light, QColor(0x4a, 0x4c, 0x50));
    dark.setColor(QPalette::Midlight, QColor(0x40, 0x42, 0x46));
    dark.setColor(QPalette::Mid, QColor(0x30, 0x32, 0x36));
    dark.setColor(QPalette::Dark, QColor(0x18, 0x19, 0x1b));
    dark.setColor(QPalette::Shadow, Qt::black);
    dark.setColor(QPalette::Highlight, QColor(0x3d, 0x8b, 0xe0));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Link, QColor(0x6c, 0xb0, 0xf5));
    dark.setColor(QPalette::LinkVisited, QColor(0xa0, 0x8c, 0xf0));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(QPalette::Disabled, role, disabledText);
    app.setPalette(dark);
}

} // namespace tandrel
