#include "teleprompter/teleprompter_self_view.h"

namespace tandrel {

TeleprompterSelfView::TeleprompterSelfView(QObject *parent) : QObject(parent)
{
    m_painter.setScaling(PreviewFramePainter::Scaling::fill);
}

void TeleprompterSelfView::setFrame(const QImage &frame)
{
    m_painter.setFrame(frame);
    emit changed();
}

void TeleprompterSelfView::setFlips(bool horizontal, bool vertical)
{
    if (horizontal == flipHorizontal() && vertical == flipVertical())
        return;
    m_painter.setFlips(horizontal, vertical);
    emit changed();
}

void TeleprompterSelfView::detach()
{
    if (m_painter.frame().isNull())
        return;
    m_painter.setFrame(QImage());
    emit changed();
}

} // namespace tandrel
