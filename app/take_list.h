#pragma once

#include "library/speech_slice.h"
#include "library/reel_project.h"

#include <QListWidget>
#include <QWidget>

namespace tandrel {

// A thin bar of a take's speech (accent colour) and pauses (grey) over its
// duration, cut exactly as the Final Cut export cuts the take.
class SpeechStrip : public QWidget
{
    Q_OBJECT
public:
    explicit SpeechStrip(QWidget *parent = nullptr);
    void setSlices(QList<SpeechSlice> slices);
    QList<SpeechSlice> slices() const { return m_slices; }
    QSize sizeHint() const override { return {120, 6}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<SpeechSlice> m_slices;
};

// The takes of one reel, one row each, in the order of the reel's takes.
class TakeList : public QListWidget
{
    Q_OBJECT
public:
    explicit TakeList(QWidget *parent = nullptr);

    void setReel(const std::optional<ReelProject> &reel);
    // The row widget of the take with `takeID`, for tests and accessibility.
    QWidget *rowOf(const QUuid &takeID) const;

signals:
    void deleteRequested(const Take &take);
    void showFolderRequested();

private:
    QWidget *makeRow(const Take &take, bool latest);
    void showContextMenu(const QPoint &pos);

    std::optional<ReelProject> m_reel;
};

} // namespace tandrel
