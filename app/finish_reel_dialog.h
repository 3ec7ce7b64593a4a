#pragma once

#include "app/app_context.h"
#include "library/reel_project.h"
#include "render/reel_renderer.h"

#include <QDialog>
#include <QUuid>
#include <atomic>
#include <optional>
#include <thread>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace tandrel {

// "Reel fertigstellen": one take of the reel rendered into an MP4 in the
// reel's folder, its long pauses shortened and, when chosen, its captions
// burnt in. The render runs on a thread of the dialog's own; its progress
// hops to the main thread. Closing the dialog or "Abbrechen" cancels it,
// and the dialog waits for the engine to let go of the file.
class FinishReelDialog : public QDialog
{
    Q_OBJECT
public:
    FinishReelDialog(AppContext context, const ReelProject &reel, std::optional<QUuid> takeID,
                     QWidget *parent = nullptr);
    ~FinishReelDialog() override;

    QComboBox *takeBox() const { return m_take; }
    QCheckBox *captionsBox() const { return m_captions; }
    QProgressBar *progressBar() const { return m_progress; }
    QLabel *statusLabel() const { return m_status; }
    QPushButton *renderButton() const { return m_render; }
    QPushButton *cancelButton() const { return m_cancel; }
    bool isRendering() const { return m_worker.joinable(); }
    // The finished file of the last render; empty before and after a failure.
    QString finishedFile() const { return m_finished; }

    void startRender();
    void cancelRender();

signals:
    void renderFinished(bool ok);

protected:
    void reject() override;

private:
    void syncTakeNote();
    void showProgress(const RenderProgress &progress);
    void finish(const RenderResult<QString> &result);
    void joinWorker();

    AppContext m_context;
    ReelProject m_reel;
    QComboBox *m_take = nullptr;
    QCheckBox *m_captions = nullptr;
    QLabel *m_takeNote = nullptr;
    QLabel *m_output = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_render = nullptr;
    QPushButton *m_cancel = nullptr;
    std::thread m_worker;
    std::atomic<bool> m_cancelled{false};
    QString m_finished;
};

} // namespace tandrel
