#include "app/main_window.h"

#include "app/app_commands.h"
#include "app/capture_text.h"
#include "app/destructive_menu.h"
#include "app/editor_texts.h"
#include "app/empty_page.h"
#include "app/import_sheet.h"
#include "app/library_error_text.h"
#include "app/record_workspace.h"
#include "app/recording_session.h"
#include "app/reel_list_delegate.h"
#include "app/reel_list_model.h"
#include "app/settings_window.h"
#include "app/symbols.h"
#include "app/ui_style.h"
#include "capture/capture_controller.h"
#include "export/editor_choice.h"
#include "library/library_store.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace tandrel {

namespace {

QToolButton *toolButton(Symbol symbol, const QString &help, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setIcon(symbolIcon(symbol, parent->palette().color(QPalette::WindowText)));
    button->setToolTip(help);
    button->setAccessibleName(help);
    button->setAutoRaise(true);
    return button;
}

} // namespace

MainWindow::MainWindow(AppContext context, QWidget *parent) : QMainWindow(parent), m_context(context)
{
    setWindowTitle(QStringLiteral("Tandrel"));

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setChildrenCollapsible(false);
    QWidget *sidebar = buildSidebar();
    splitter->addWidget(sidebar);

    m_detail = new QStackedWidget(splitter);
    m_emptyPage = new EmptyPage(m_detail);
    m_workspace = new RecordWorkspace(m_context, m_detail);
    m_detail->addWidget(m_emptyPage);
    m_detail->addWidget(m_workspace);
    splitter->addWidget(m_detail);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({300, 980});
    auto *central = new QWidget(this);
    auto *rows = new QVBoxLayout(central);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    rows->addWidget(buildLibraryNotice());
    rows->addWidget(splitter, 1);
    setCentralWidget(central);

    fitMinimumSize();
    resize(1280, 820);

    connect(m_emptyPage, &EmptyPage::createReelRequested, this, &MainWindow::createReel);
    connect(m_emptyPage, &EmptyPage::importRequested, this, &MainWindow::showImport);
    connect(m_workspace, &RecordWorkspace::statusNoteRequested, this, &MainWindow::addNote);

    LibraryStore &library = m_context.library;
    // The reel model has already brought its rows in step (it connected first).
    connect(&library, &LibraryStore::reelsChanged, this, [this] {
        syncListSelection();
        showDetail();
    });
    connect(&library, &LibraryStore::selectedIDChanged, this, [this] {
        syncListSelection();
        showDetail();
    });
    connect(&library, &LibraryStore::unreachableFolderChanged, this, &MainWindow::syncLibraryNotice);
    connect(&library, &LibraryStore::rootPathChanged, this, &MainWindow::syncLibraryNotice);
    syncLibraryNotice();
    connect(&library, &LibraryStore::lastErrorChanged, this, [this] {
        if (const std::optional<LibraryError> error = m_context.library.lastError())
            addNote(libraryErrorText(*error));
    });
    // Takes a killed recording left are in their reels again: said once.
    connect(&library, &LibraryStore::recoveredNoteChanged, this, &MainWindow::noteRecoveredTakes);

    AppCommands &commands = m_context.commands;
    connect(&commands, &AppCommands::openMarkdownImport, this, &MainWindow::showImport);
    // The reel commands reach the workspace only while it is on screen.
    auto whenWorkspaceShown = [this](void (RecordWorkspace::*operation)()) {
        return [this, operation] {
            if (m_detail->currentWidget() == m_workspace)
                (m_workspace->*operation)();
        };
    };
    connect(&commands, &AppCommands::toggleRecording, this,
            whenWorkspaceShown(&RecordWorkspace::toggleRecording));
    connect(&commands, &AppCommands::openTeleprompter, this,
            whenWorkspaceShown(&RecordWorkspace::openTeleprompterCommand));
    connect(&commands, &AppCommands::exportToEditor, this,
            whenWorkspaceShown(&RecordWorkspace::exportToEditor));

    connect(&m_context.capture, &CaptureController::lastErrorChanged, this, [this] {
        if (const std::optional<CaptureNotice> notice = m_context.capture.lastError())
            addNote(captureNoticeText(*notice));
    });
    syncListSelection();
    showDetail();
    // An error met while the library loaded at start-up is shown at once,
    // and so are the takes it found again.
    QTimer::singleShot(0, this, [this] {
        if (const std::optional<LibraryError> error = m_context.library.lastError())
            addNote(libraryErrorText(*error));
        noteRecoveredTakes();
    });
}

void MainWindow::noteRecoveredTakes()
{
    LibraryStore &library = m_context.library;
    if (const int count = library.recoveredNote(); count > 0) {
        addNote(recoveredTakesText(count));
        library.setRecoveredNote(0);
    }
}

MainWindow::~MainWindow() = default;

QWidget *MainWindow::buildSidebar()
{
    auto *sidebar = new QWidget(this);
    sidebar->setMinimumWidth(260);
    sidebar->setMaximumWidth(380);

    auto *header = new QHBoxLayout;
    header->setContentsMargins(12, 10, 12, 10);
    header->addWidget(ui::label(tr("Reels"), ui::TextRole::Headline));
    header->addStretch();
    auto *add = toolButton(Symbol::Plus, tr("Neues Reel"), sidebar);
    add->setObjectName(QStringLiteral("newReelButton"));
    auto *import = toolButton(Symbol::ImportArrow, tr("Markdown importieren"), sidebar);
    import->setObjectName(QStringLiteral("importButton"));
    header->addWidget(add);
    header->addWidget(import);
    connect(add, &QToolButton::clicked, this, &MainWindow::createReel);
    connect(import, &QToolButton::clicked, this, &MainWindow::showImport);

    m_reelModel = new ReelListModel(m_context.library, this);
    m_reelList = new QListView(sidebar);
    m_reelList->setObjectName(QStringLiteral("reelList"));
    m_reelList->setModel(m_reelModel);
    m_reelList->setItemDelegate(new ReelListDelegate(m_reelList));
    m_reelList->setSpacing(1);
    // Rows take the list's width and elide what does not fit; the list never
    // scrolls sideways.
    m_reelList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_reelList->setResizeMode(QListView::Adjust);
    m_reelList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_reelList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_reelList->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                // The current row also moves when the model drops it; only
                // the user's choices reach the store.
                if (m_syncingList || m_reelModel->isSyncing())
                    return;
                if (const auto reel = reelAt(current.row()))
                    m_context.library.setSelectedID(reel->id);
            });
    connect(m_reelList, &QListView::customContextMenuRequested, this, &MainWindow::showContextMenu);

    auto *column = new QVBoxLayout(sidebar);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(header);
    column->addWidget(m_reelList);
    return sidebar;
}

QWidget *MainWindow::buildLibraryNotice()
{
    m_libraryNotice = new QFrame(this);
    m_libraryNotice->setObjectName(QStringLiteral("libraryNotice"));
    m_libraryNotice->setAutoFillBackground(true);
    QPalette palette = m_libraryNotice->palette();
    palette.setColor(QPalette::Window, QColor(0xff, 0xf3, 0xcd));
    palette.setColor(QPalette::WindowText, QColor(0x5c, 0x40, 0x00));
    m_libraryNotice->setPalette(palette);
    m_libraryNoticeText = ui::label(QString(), ui::TextRole::Body, false, true);
    m_libraryNoticeText->setWordWrap(true);
    m_libraryNoticeText->setPalette(palette);
    auto *retry = new QPushButton(tr("Erneut versuchen"), m_libraryNotice);
    retry->setObjectName(QStringLiteral("retryLibraryFolder"));
    auto *choose = new QPushButton(tr("Anderen Ordner wählen…"), m_libraryNotice);
    choose->setObjectName(QStringLiteral("chooseLibraryFolder"));
    connect(retry, &QPushButton::clicked, this, &MainWindow::retryLibraryFolder);
    connect(choose, &QPushButton::clicked, this, &MainWindow::chooseOtherLibraryFolder);
    auto *row = new QHBoxLayout(m_libraryNotice);
    row->setContentsMargins(12, 8, 12, 8);
    row->addWidget(m_libraryNoticeText, 1);
    row->addWidget(retry);
    row->addWidget(choose);
    m_libraryNotice->hide();
    return m_libraryNotice;
}

void MainWindow::syncLibraryNotice()
{
    const LibraryStore &library = m_context.library;
    const std::optional<QString> away = library.unreachableFolder();
    if (!away) {
        m_libraryNotice->hide();
        return;
    }
    m_libraryNoticeText->setText(
            tr("Der Bibliotheksordner %1 ist nicht erreichbar (er fehlt, ist nicht eingehängt oder "
               "ohne Berechtigung). Bis er wieder da ist, arbeitet Tandrel im Standardordner %2.")
                    .arg(QDir::toNativeSeparators(*away), QDir::toNativeSeparators(library.rootPath())));
    m_libraryNotice->show();
}

void MainWindow::retryLibraryFolder()
{
    const std::optional<QString> away = m_context.library.unreachableFolder();
    if (!away)
        return;
    if (!LibraryStore::isReachable(*away)) {
        addNote(tr("Der Bibliotheksordner %1 ist noch immer nicht erreichbar.")
                        .arg(QDir::toNativeSeparators(*away)));
        return;
    }
    if (const Status changed = m_context.session.changeLibraryFolder(*away); !changed)
        addNote(changed.error());
}

void MainWindow::chooseOtherLibraryFolder()
{
    QFileDialog panel(this, tr("Anderen Ordner wählen…"));
    panel.setObjectName(QStringLiteral("libraryFolderPanel"));
    panel.setFileMode(QFileDialog::Directory);
    panel.setOption(QFileDialog::ShowDirsOnly);
    if (panel.exec() != QDialog::Accepted || panel.selectedFiles().isEmpty())
        return;
    if (const Status changed = m_context.session.changeLibraryFolder(panel.selectedFiles().constFirst());
        !changed)
        addNote(changed.error());
}

void MainWindow::syncListSelection()
{
    const std::optional<QUuid> selected = m_context.library.selectedID();
    const int row = selected ? m_reelModel->rowOf(*selected) : -1;
    m_syncingList = true;
    if (row < 0) {
        m_reelList->clearSelection();
        m_reelList->setCurrentIndex(QModelIndex());
    } else {
        m_reelList->setCurrentIndex(m_reelModel->index(row));
    }
    m_syncingList = false;
}

std::optional<ReelProject> MainWindow::reelAt(int row) const
{
    const std::optional<ReelProject> shown = m_reelModel->reelAt(row);
    return shown ? m_context.library.reel(shown->id) : std::nullopt;
}

void MainWindow::showDetail()
{
    const std::optional<QUuid> selected = m_context.library.selectedID();
    if (selected && m_context.library.reel(*selected)) {
        m_workspace->setReelID(*selected);
        m_detail->setCurrentWidget(m_workspace);
    } else {
        m_detail->setCurrentWidget(m_emptyPage);
        m_workspace->setReelID(std::nullopt);
    }
}

void MainWindow::createReel()
{
    const LibraryOutcome<ReelProject> created
            = m_context.library.createReel(std::nullopt, tr("Neues Reel"), QString());
    if (!created)
        addNote(libraryErrorText(created.error()));
}

void MainWindow::showImport()
{
    if (m_importSheet)
        return;
    auto *sheet = new ImportSheet(m_context.library, m_importText, this);
    m_importSheet = sheet;
    connect(sheet, &ImportSheet::finished, this, [this, sheet] {
        m_importSheet.clear();
        m_importText = sheet->text();
        if (const auto count = sheet->importedCount())
            setImportCount(count);
        if (const auto error = sheet->importError())
            addNote(*error);
        sheet->deleteLater();
    });
    sheet->open();
}

void MainWindow::setImportCount(std::optional<int> count)
{
    if (m_importCount == count)
        return;
    m_importCount = count;
    emit importCountChanged();
    if (count) {
        addNote(*count == 1 ? tr("1 Reel importiert.") : tr("%1 Reels importiert.").arg(*count));
    }
}

void MainWindow::addNote(const QString &note)
{
    if (m_notes.contains(note))
        return;
    m_notes.append(note);
    emit notesChanged();
    updateAlert();
}

void MainWindow::showContextMenu(const QPoint &pos)
{
    const QModelIndex index = m_reelList->indexAt(pos);
    if (!index.isValid())
        return;
    const auto reel = reelAt(index.row());
    if (!reel)
        return;
    DestructiveMenu menu(this);
    menu.addAction(exportButtonText(EditorChoice().chosen(m_context.settings)), this,
                   [this, reel] { exportReel(*reel); });
    menu.addAction(tr("Im Dateimanager zeigen"), this, [this, reel] { showReelFolder(*reel); });
    QAction *remove = menu.addDestructiveAction(tr("Löschen"));
    remove->setObjectName(QStringLiteral("destructive"));
    connect(remove, &QAction::triggered, this, [this, reel] { deleteReel(*reel); });
    menu.exec(m_reelList->viewport()->mapToGlobal(pos));
}

// 1100 × 720, or more where the columns' own minimums add up to more: the
// window never shrinks below what its content needs, so nothing is cut.
void MainWindow::fitMinimumSize()
{
    setMinimumSize(QSize(1100, 720).expandedTo(minimumSizeHint()));
}

void MainWindow::showEvent(QShowEvent *event)
{
    // Fonts and styles are final once the window is shown.
    fitMinimumSize();
    QMainWindow::showEvent(event);
    if (m_activated)
        return;
    m_activated = true;
    // Device discovery and the first configuration run after the window is up.
    QPointer<CaptureController> capture(&m_context.capture);
    QTimer::singleShot(0, this, [capture] {
        if (capture)
            capture->activate();
    });
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A running take is finished and added to its reel before the window goes.
    RecordingSession &session = m_context.session;
    if (session.isRecording() || session.isTakePending()) {
        event->ignore();
        if (!m_closeAfterRecording) {
            m_closeAfterRecording = true;
            connect(&session, &RecordingSession::takeSettled, this, [this] {
                if (!m_context.session.isTakePending())
                    QTimer::singleShot(0, this, &QWidget::close);
            });
            if (session.isRecording())
                session.stopRecording();
        }
        return;
    }
    // Script edits of the last 0.28 s are not lost with the window.
    if (m_workspace->isPersistPending())
        m_workspace->persistNow();
    // The last save lands before the window goes. One that failed is shown
    // and keeps the window open, so that no change is lost unseen; closing
    // it again quits.
    LibraryStore &library = m_context.library;
    library.finishSaves();
    if (library.hasUnsavedChanges() && !m_closeDespiteUnsaved) {
        m_closeDespiteUnsaved = true;
        if (const std::optional<LibraryError> error = library.lastError())
            addNote(libraryErrorText(*error));
        event->ignore();
        return;
    }
    // The teleprompter and settings windows would keep the application alive.
    session.quit();
    if (SettingsWindow *settings = SettingsWindow::current())
        settings->close();
    QMainWindow::closeEvent(event);
}

// The first waiting note, in the order the notes came.
void MainWindow::updateAlert()
{
    if (m_notes.isEmpty()) {
        if (m_alert)
            m_alert->close();
        return;
    }
    if (m_alert) {
        ui::setAlertMessage(m_alert, m_notes.constFirst());
        return;
    }
    m_alert = ui::openHinweisAlert(m_notes.constFirst(), this);
    connect(m_alert, &QMessageBox::finished, this, &MainWindow::noteShown);
}

void MainWindow::noteShown()
{
    m_alert.clear(); // the next note gets a new alert
    if (!m_notes.isEmpty())
        m_notes.removeFirst();
    // Once everything is seen, the same error may come again and be shown.
    if (m_notes.isEmpty()) {
        m_context.library.setLastError(std::nullopt);
        m_context.capture.setLastError(std::nullopt);
    }
    emit notesChanged();
    updateAlert();
}

} // namespace tandrel
