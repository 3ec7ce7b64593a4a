#include "app/main_window.h"

#include "app/app_commands.h"
#include "app/empty_page.h"
#include "app/import_sheet.h"
#include "app/record_workspace.h"
#include "app/symbols.h"
#include "app/ui_style.h"
#include "export/editor_choice.h"
#include "library/library_store.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace tandrel {

namespace {

QString takesCaption(qsizetype count)
{
    if (count == 0)
        return QStringLiteral("Keine Takes");
    return QString::number(count) + (count == 1 ? QStringLiteral(" Take") : QStringLiteral(" Takes"));
}

// A reel row: display label in semibold body text, the take count as a caption.
QWidget *makeReelRow(const ReelProject &reel)
{
    auto *row = new QWidget;
    auto *layout = new QVBoxLayout(row);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(2);
    auto *label = ui::label(reel.displayLabel(), ui::TextRole::Body, true);
    label->setObjectName(QStringLiteral("reelLabel"));
    auto *caption = ui::label(takesCaption(reel.takes.size()), ui::TextRole::Caption, false, true);
    caption->setObjectName(QStringLiteral("reelCaption"));
    layout->addWidget(label);
    layout->addWidget(caption);
    return row;
}

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
    setCentralWidget(splitter);

    setMinimumSize(1100, 720);
    resize(1280, 820);

    connect(m_emptyPage, &EmptyPage::createReelRequested, this, &MainWindow::createReel);
    connect(m_emptyPage, &EmptyPage::importRequested, this, &MainWindow::showImport);
    connect(m_workspace, &RecordWorkspace::statusNoteRequested, this,
            [this](const QString &note) { setStatusNote(note); });

    LibraryStore &library = m_context.library;
    connect(&library, &LibraryStore::reelsChanged, this, [this] {
        rebuildReelList();
        showDetail();
    });
    connect(&library, &LibraryStore::selectedIDChanged, this, [this] {
        syncListSelection();
        showDetail();
        if (!m_context.library.selectedID())
            handleSelectionCleared();
    });
    connect(&library, &LibraryStore::lastErrorChanged, this, &MainWindow::updateAlert);

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
    connect(&commands, &AppCommands::exportFinalCut, this,
            whenWorkspaceShown(&RecordWorkspace::exportToFinalCut));

    connectSharedObjects();
    rebuildReelList();
    showDetail();
    // An error met while the library loaded at start-up is shown at once.
    QTimer::singleShot(0, this, &MainWindow::updateAlert);
}

MainWindow::~MainWindow() = default;

QWidget *MainWindow::buildSidebar()
{
    auto *sidebar = new QWidget(this);
    sidebar->setMinimumWidth(260);
    sidebar->setMaximumWidth(380);

    auto *header = new QHBoxLayout;
    header->setContentsMargins(12, 10, 12, 10);
    header->addWidget(ui::label(QStringLiteral("Reels"), ui::TextRole::Headline));
    header->addStretch();
    auto *add = toolButton(Symbol::Plus, QStringLiteral("Neues Reel"), sidebar);
    add->setObjectName(QStringLiteral("newReelButton"));
    auto *import = toolButton(Symbol::ImportArrow, QStringLiteral("Markdown importieren"), sidebar);
    import->setObjectName(QStringLiteral("importButton"));
    header->addWidget(add);
    header->addWidget(import);
    connect(add, &QToolButton::clicked, this, &MainWindow::createReel);
    connect(import, &QToolButton::clicked, this, &MainWindow::showImport);

    m_reelList = new QListWidget(sidebar);
    m_reelList->setObjectName(QStringLiteral("reelList"));
    m_reelList->setSpacing(1);
    m_reelList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_reelList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_reelList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (m_syncingList)
            return;
        if (const auto reel = reelAt(row))
            m_context.library.setSelectedID(reel->id);
    });
    connect(m_reelList, &QListWidget::customContextMenuRequested, this, &MainWindow::showContextMenu);

    auto *column = new QVBoxLayout(sidebar);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(header);
    column->addWidget(m_reelList);
    return sidebar;
}

void MainWindow::rebuildReelList()
{
    QList<ReelProject> reels = m_context.library.reels();
    sortInReelOrder(reels);
    m_syncingList = true;
    m_reelList->clear();
    m_rowIDs.clear();
    for (const ReelProject &reel : reels) {
        auto *item = new QListWidgetItem(m_reelList);
        QWidget *row = makeReelRow(reel);
        item->setSizeHint(row->sizeHint());
        item->setData(Qt::UserRole, reel.id);
        item->setData(Qt::AccessibleTextRole, reel.displayLabel());
        m_reelList->setItemWidget(item, row);
        m_rowIDs.append(reel.id);
    }
    m_syncingList = false;
    syncListSelection();
}

void MainWindow::syncListSelection()
{
    const std::optional<QUuid> selected = m_context.library.selectedID();
    const int row = selected ? int(m_rowIDs.indexOf(*selected)) : -1;
    m_syncingList = true;
    if (row < 0) {
        m_reelList->clearSelection();
        m_reelList->setCurrentRow(-1);
    } else {
        m_reelList->setCurrentRow(row);
    }
    m_syncingList = false;
}

std::optional<ReelProject> MainWindow::reelAt(int row) const
{
    if (row < 0 || row >= m_rowIDs.size())
        return std::nullopt;
    return m_context.library.reel(m_rowIDs.at(row));
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
    m_context.library.createReel(std::nullopt, QStringLiteral("Neues Reel"), QString());
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
        setStatusNote(*count == 1 ? QStringLiteral("1 Reel importiert.")
                                  : QString::number(*count) + QStringLiteral(" Reels importiert."));
    }
}

void MainWindow::setStatusNote(std::optional<QString> note)
{
    if (m_statusNote == note)
        return;
    m_statusNote = std::move(note);
    emit statusNoteChanged();
    updateAlert();
}

void MainWindow::showContextMenu(const QPoint &pos)
{
    QListWidgetItem *item = m_reelList->itemAt(pos);
    if (!item)
        return;
    const auto reel = reelAt(m_reelList->row(item));
    if (!reel)
        return;
    QMenu menu(this);
    menu.addAction(EditorChoice::buttonLabel(EditorChoice().chosen(m_context.defaults)), this,
                   [this, reel] { exportReel(*reel); });
    menu.addAction(QStringLiteral("Im Dateimanager zeigen"), this, [this, reel] { showReelFolder(*reel); });
    QAction *remove = menu.addAction(QStringLiteral("Löschen"));
    remove->setObjectName(QStringLiteral("destructive"));
    connect(remove, &QAction::triggered, this, [this, reel] { m_context.library.deleteReel(*reel); });
    menu.exec(m_reelList->viewport()->mapToGlobal(pos));
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_activated)
        return;
    m_activated = true;
    activateCapture();
}

// The first pending message, in the order status note, library error,
// capture error; empty when none holds a text.
void MainWindow::updateAlert()
{
    if (m_clearing)
        return;
    QString message;
    if (m_statusNote)
        message = *m_statusNote;
    else if (const auto error = m_context.library.lastError())
        message = *error;
    else if (const auto error = captureError())
        message = *error;

    if (message.isNull()) {
        if (m_alert)
            m_alert->close();
        return;
    }
    if (m_alert) {
        m_alert->setText(message);
        return;
    }
    m_alert = ui::openHinweisAlert(message, this);
    connect(m_alert, &QMessageBox::finished, this, [this] {
        m_alert.clear(); // a message arriving from now on gets a new alert
        clearMessages();
    });
}

void MainWindow::clearMessages()
{
    m_clearing = true;
    setStatusNote(std::nullopt);
    m_context.library.setLastError(std::nullopt);
    clearCaptureError();
    m_clearing = false;
}

} // namespace tandrel
