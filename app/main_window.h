#pragma once

#include "app/app_context.h"
#include "app/import_sheet.h"
#include "library/reel_project.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QUuid>
#include <optional>

class QLabel;
class QListView;
class QStackedWidget;

namespace tandrel {

class EmptyPage;
class RecordWorkspace;
class ReelListModel;

// The application's one main window: the reel list in a sidebar, the record
// workspace of the selected reel (or the empty page) beside it, the import
// sheet, and the single "Hinweis" alert through which the notes of the
// windows' operations and the error texts of the library's loading and of the
// capture controller reach the user, one after another, none lost.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(AppContext context, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The notes waiting for the user, the one shown first; a text already
    // waiting is not added again.
    QStringList notes() const { return m_notes; }
    void addNote(const QString &note);

    QString importText() const { return m_importText; }
    std::optional<int> importCount() const { return m_importCount; }
    void setImportCount(std::optional<int> count);

    // Creates a reel with the next free number, titled "Neues Reel", and selects it.
    void createReel();
    // Opens the import sheet over the window (`showImport`).
    void showImport();
    // Exports `reel` and hands the bundle on; the outcome goes to the status note.
    void exportReel(const ReelProject &reel);

    RecordWorkspace *workspace() const { return m_workspace; }
    QListView *reelList() const { return m_reelList; }
    ReelListModel *reelModel() const { return m_reelModel; }
    QMessageBox *alert() const { return m_alert; }
    // The bar above everything while the chosen library folder cannot be reached.
    QWidget *libraryNotice() const { return m_libraryNotice; }
    // Goes back to the chosen library folder, or says that it is still away.
    void retryLibraryFolder();
    // The import sheet while it is open.
    ImportSheet *importSheet() const { return m_importSheet; }

signals:
    void notesChanged();
    void importCountChanged();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *buildSidebar();
    QWidget *buildLibraryNotice();
    void syncLibraryNotice();
    void noteRecoveredTakes();
    void chooseOtherLibraryFolder();
    void fitMinimumSize();
    void syncListSelection();
    void showDetail();
    void showContextMenu(const QPoint &pos);
    void showReelFolder(const ReelProject &reel);
    void deleteReel(const ReelProject &reel);
    // Asks before a reel with takes is deleted for good, where no trash takes it.
    void confirmPermanentDelete(const ReelProject &reel);
    std::optional<ReelProject> reelAt(int row) const;
    void updateAlert();
    void noteShown();

    AppContext m_context;
    ReelListModel *m_reelModel = nullptr;
    QListView *m_reelList = nullptr;
    QStackedWidget *m_detail = nullptr;
    QWidget *m_libraryNotice = nullptr;
    QLabel *m_libraryNoticeText = nullptr;
    EmptyPage *m_emptyPage = nullptr;
    RecordWorkspace *m_workspace = nullptr;
    QPointer<QMessageBox> m_alert;
    QPointer<ImportSheet> m_importSheet;
    QStringList m_notes;
    QString m_importText;
    std::optional<int> m_importCount;
    bool m_syncingList = false;
    bool m_activated = false;
    bool m_closeAfterRecording = false;
    bool m_closeDespiteUnsaved = false;
};

} // namespace tandrel
