#pragma once

#include <QImage>
#include <QObject>

namespace tandrel {

// The live camera or screen picture behind the teleprompter text: the newest
// frame and the user's flips. The teleprompter view shows it as its bottom
// layer, filling the window (cropped, aspect kept) and mirrored by the flips;
// TeleprompterBackdrop composes it.
class TeleprompterSelfView : public QObject
{
    Q_OBJECT

public:
    explicit TeleprompterSelfView(QObject *parent = nullptr);

    const QImage &frame() const { return m_frame; }
    bool flipHorizontal() const { return m_flipHorizontal; }
    bool flipVertical() const { return m_flipVertical; }

public slots:
    void setFrame(const QImage &frame);
    void setFlips(bool horizontal, bool vertical);
    // Lets go of the picture when the view goes away, so that a reopened
    // teleprompter never shows a stale frame.
    void detach();

signals:
    void changed();

private:
    QImage m_frame;
    bool m_flipHorizontal = false;
    bool m_flipVertical = false;
};

} // namespace tandrel
