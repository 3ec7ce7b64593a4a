#include "teleprompter/teleprompter_self_view.h"

namespace tandrel {

TeleprompterSelfView::TeleprompterSelfView(QObject *parent) : QObject(parent)
{ }

void TeleprompterSelfView::setFrame(const QImage &frame)
{
    m_frame = frame;
    emit changed();
}

void TeleprompterSelfView::setFlips(bool horizontal, bool vertical)
{
    if (horizontal == m_flipHorizontal && vertical == m_flipVertical)
        return;
    m_flipHorizontal = horizontal;
    m_flipVertical = vertical;
    emit changed();
}

void TeleprompterSelfView::detach()
{
    if (m_frame.isNull())
        return;
    m_frame = QImage();
    emit changed();
}

} // namespace tandrel
