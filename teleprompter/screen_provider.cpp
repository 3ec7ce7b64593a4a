#include "teleprompter/screen_provider.h"

#include "platform/display_list.h"

namespace tandrel {

QList<TeleprompterScreen> SystemScreenProvider::screens() const
{
    QList<TeleprompterScreen> result;
    for (const DisplayInfo &display : DisplayList::instance()->displays())
        result.append({display.name, display.number});
    return result;
}

QScreen *SystemScreenProvider::qscreen(quint32 number)
{
    return number == 0 ? nullptr : DisplayList::instance()->screen(number);
}

} // namespace tandrel
