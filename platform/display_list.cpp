#include "platform/display_list.h"

#include <QGuiApplication>
#include <QScreen>

namespace tandrel {

DisplayList *DisplayList::instance()
{
    auto *app = QGuiApplication::instance();
    if (auto *existing = app->findChild<DisplayList *>(QString(), Qt::FindDirectChildrenOnly))
        return existing;
    return new DisplayList(app);
}

DisplayList::DisplayList(QObject *parent)
    : QObject(parent)
{
    for (QScreen *s : QGuiApplication::screens())
        numberOf(s);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen *s) {
        numberOf(s);
        emit displaysChanged();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, [this](QScreen *s) {
        m_numbers.remove(s);
        emit displaysChanged();
    });
}

quint32 DisplayList::numberOf(QScreen *screen)
{
    auto it = m_numbers.find(screen);
    if (it == m_numbers.end())
        it = m_numbers.insert(screen, m_next++);
    return it.value();
}

QScreen *DisplayList::screen(quint32 number)
{
    for (QScreen *s : QGuiApplication::screens())
        if (numberOf(s) == number)
            return s;
    return nullptr;
}

QList<DisplayInfo> DisplayList::displays()
{
    QList<DisplayInfo> result;
    const QList<QScreen *> screens = QGuiApplication::screens();
    // Qt's xcb platform shows each X screen of a multi-screen display (Xvfb
    // with several -screen options) as its own QScreen, each with origin 0,0.
    // They are told apart by their X screen number, which is their order.
    const QString display = qEnvironmentVariable("DISPLAY");
    const bool separateXScreens = QGuiApplication::platformName() == QLatin1String("xcb") && screens.size() > 1
            && std::all_of(screens.begin(), screens.end(),
                           [](QScreen *s) { return s->geometry().topLeft() == QPoint(0, 0); });
    for (int i = 0; i < screens.size(); ++i) {
        QScreen *s = screens.at(i);
        DisplayInfo info{numberOf(s), s->name(), s->geometry(), QString()};
        if (separateXScreens && !display.isEmpty()) {
            const QString base = display.section(QLatin1Char('.'), 0, 0);
            info.x11Display = base + QLatin1Char('.') + QString::number(i);
        }
        result.append(info);
    }
    return result;
}

} // namespace tandrel
