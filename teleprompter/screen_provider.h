#pragma once

#include <QList>
#include <QString>
#include <memory>

class QScreen;

namespace tandrel {

// A display as the teleprompter chooses among them: its name as the user
// sees it and its display number (0 means no number).
struct TeleprompterScreen
{
    QString name;
    quint32 number = 0;
    bool operator==(const TeleprompterScreen &) const = default;
};

// The attached displays in system order.
class ScreenProvider
{
public:
    virtual ~ScreenProvider() = default;
    virtual QList<TeleprompterScreen> screens() const = 0;
};

// The application's displays, numbered by DisplayList so that the numbers
// agree with the capture side's "screen:N" sources. Main thread only.
class SystemScreenProvider : public ScreenProvider
{
public:
    QList<TeleprompterScreen> screens() const override;
    // The QScreen behind a display number; null when it is not attached.
    static QScreen *qscreen(quint32 number);
};

} // namespace tandrel
