#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

class QScreen;

namespace tandrel {

// A display as the application knows it: a number that stays the same for a
// screen while it is connected, a name, and its geometry in virtual-desktop
// coordinates of its X screen.
struct DisplayInfo
{
    quint32 number = 0;
    QString name;
    QRect geometry;
    QString x11Display; // e.g. ":1.1" when the screen is a separate X screen, else empty
    bool operator==(const DisplayInfo &) const = default;
};

// Gives every QScreen a stable number (1, 2, ... in the order first seen) and
// lists the connected displays. One instance lives as a child of the
// application object; `instance()` creates it on first use (main thread only).
class DisplayList : public QObject
{
    Q_OBJECT
public:
    static DisplayList *instance();

    QList<DisplayInfo> displays();
    QScreen *screen(quint32 number);
    quint32 numberOf(QScreen *screen);

signals:
    // Emitted on the main thread when a screen is added or removed.
    void displaysChanged();

private:
    explicit DisplayList(QObject *parent);
    QHash<QScreen *, quint32> m_numbers;
    quint32 m_next = 1;
};

} // namespace tandrel
