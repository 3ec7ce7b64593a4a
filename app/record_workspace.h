#pragma once

#include "app/app_context.h"
#include "library/reel_project.h"

#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QUuid>
#include <QWidget>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QToolButton;

namespace tandrel {

class FinishReelDialog;
class ModelNotice;
class PreviewPanel;
class TakeList;
class TakeListModel;
class TeleprompterOptions;

// The detail area for the selected reel: its number, title and script, the
// sources, the preview with the crop frame, recording, the teleprompter and
// its options, the Final Cut export and the reel's takes. The edited fields
// live here; the stored reel changes only through persistNow and the take
// operations of the library.
class RecordWorkspace : public QWidget
{
    Q_OBJECT
public:
    explicit RecordWorkspace(AppContext context, QWidget *parent = nullptr);
    ~RecordWorkspace() override;

    std::optional<QUuid> reelID() const { return m_reelID; }
    // Shows another reel (or none, while the workspace is off screen). A new
    // reel loads its fields and, with the teleprompter open, reopens it from
    // the beginning.
    void setReelID(std::optional<QUuid> id);

    void loadReelFields();
    void persistNow();
    void schedulePersist();
    void toggleRecording();
    void openTeleprompter(bool reset);
    void openTeleprompterCommand() { openTeleprompter(false); }
    void exportToEditor();
    // Opens "Reel fertigstellen" for the take (none: the default take).
    void finishReel(std::optional<QUuid> takeID);
    FinishReelDialog *finishDialog() const;

    double cropOffset() const { return m_cropOffset; }
    // The edited crop position, as the crop frame's drag sets it.
    void setCropOffset(double offset);
    std::optional<Take> takePendingDelete() const { return m_takePendingDelete; }
    void requestDeleteTake(const Take &take);
    bool isPersistPending() const { return m_persistTimer.isActive(); }

    QLineEdit *numberField() const { return m_number; }
    QLineEdit *titleField() const { return m_title; }
    QPlainTextEdit *scriptEditor() const { return m_script; }
    QComboBox *videoPicker() const { return m_video; }
    QComboBox *audioPicker() const { return m_audio; }
    QToolButton *flipHorizontalButton() const { return m_flipH; }
    QToolButton *flipVerticalButton() const { return m_flipV; }
    QPushButton *recordButton() const { return m_record; }
    QPushButton *teleprompterButton() const { return m_teleprompterButton; }
    QPushButton *exportButton() const { return m_export; }
    QPushButton *finishButton() const { return m_finish; }
    QLabel *captureStatusLabel() const { return m_captureStatus; }
    TakeList *takeList() const { return m_takes; }
    TakeListModel *takeModel() const { return m_takeModel; }
    QLabel *noTakesLabel() const { return m_noTakes; }
    PreviewPanel *previewPanel() const { return m_preview; }
    TeleprompterOptions *teleprompterOptions() const { return m_options; }
    QMessageBox *deleteConfirmation() const { return m_confirmation; }
    ModelNotice *modelNotice() const { return m_modelNotice; }

signals:
    // A message for the user (the main window's status note).
    void statusNoteRequested(const QString &note);

private:
    QWidget *buildHeader();
    QWidget *buildLeftColumn();
    QWidget *buildRightColumn();
    void connectCapture();
    void connectTeleprompter();
    void syncVideoPicker();
    void syncAudioPicker();
    void syncRecordControls();
    // Shows the note while the open teleprompter sits on the recorded screen.
    void syncTeleprompterOnScreenNote();
    // Points the take list at the shown reel.
    void syncTakes();
    // The list while the reel has takes, otherwise the hint how to record one.
    void showTakesOrHint();
    std::optional<ReelProject> currentReel() const;
    void showTakesFolder();
    // The take's movie (its sound where it has none) in the desktop's player.
    void playTake(const Take &take);
    // To the trash, or for good where there is none (the confirmation said so).
    void deleteTake(const QUuid &takeID, const QUuid &reelID);

    AppContext m_context;
    std::optional<QUuid> m_reelID;
    double m_cropOffset = 0.5;
    QTimer m_persistTimer;
    std::optional<Take> m_takePendingDelete;
    bool m_loading = false;

    QLineEdit *m_number = nullptr;
    QLineEdit *m_title = nullptr;
    QComboBox *m_video = nullptr;
    QComboBox *m_audio = nullptr;
    QToolButton *m_flipH = nullptr;
    QToolButton *m_flipV = nullptr;
    PreviewPanel *m_preview = nullptr;
    QPushButton *m_record = nullptr;
    QPushButton *m_teleprompterButton = nullptr;
    QPushButton *m_export = nullptr;
    QPushButton *m_finish = nullptr;
    QPointer<FinishReelDialog> m_finishDialog;
    QLabel *m_captureStatus = nullptr;
    QLabel *m_teleprompterOnScreen = nullptr;
    QStackedWidget *m_takesStack = nullptr;
    TakeListModel *m_takeModel = nullptr;
    TakeList *m_takes = nullptr;
    QLabel *m_noTakes = nullptr;
    QPlainTextEdit *m_script = nullptr;
    TeleprompterOptions *m_options = nullptr;
    ModelNotice *m_modelNotice = nullptr;
    QPointer<QMessageBox> m_confirmation;
};

} // namespace tandrel
