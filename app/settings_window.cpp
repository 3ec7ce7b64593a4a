#include "app/settings_window.h"
#include "app/ui_language.h"

#include "app/app_commands.h"
#include "app/desktop_hand_over.h"
#include "app/recording_session.h"
#include "app/speech_model_panel.h"
#include "app/ui_style.h"
#include "capture/capture_controller.h"
#include "export/editor_choice.h"
#include "library/library_store.h"
#include "platform/desktop_opener.h"
#include "render/render_options.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace tandrel {

namespace {
QPointer<SettingsWindow> g_settingsWindow;
}

SettingsWindow *SettingsWindow::current()
{
    return g_settingsWindow.data();
}

SettingsWindow *SettingsWindow::open(AppContext context)
{
    if (g_settingsWindow) {
        g_settingsWindow->show();
        g_settingsWindow->raise();
        g_settingsWindow->activateWindow();
        return g_settingsWindow;
    }
    auto *window = new SettingsWindow(context);
    // The window follows its contents: the model rows come and go.
    window->layout()->setSizeConstraint(QLayout::SetFixedSize);
    window->setMinimumWidth(560);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), window->size());
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    g_settingsWindow = window;
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

SettingsWindow::SettingsWindow(AppContext context)
    : QWidget(nullptr,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                      | Qt::WindowMinimizeButtonHint),
      m_context(context)
{
    setWindowTitle(tr("Einstellungen"));
    // Closing forgets the window: the next opening builds a new one without a pending error.
    setAttribute(Qt::WA_DeleteOnClose);

    auto *heading = new QVBoxLayout;
    heading->setSpacing(4);
    heading->addWidget(ui::label(tr("Bibliothek"), ui::TextRole::Headline));
    heading->addWidget(
            ui::label(tr("Ordner für Reels, Takes und Exporte."), ui::TextRole::Callout, false, true));

    m_path = new QLineEdit(this);
    m_path->setObjectName(QStringLiteral("libraryPath"));
    m_path->setReadOnly(true);
    m_path->setFont(ui::font(ui::TextRole::Monospaced));
    m_path->setFrame(false);
    m_path->setStyleSheet(QStringLiteral("QLineEdit { background: palette(base); border-radius: 8px; "
                                         "padding: 10px; }"));

    m_choose = new QPushButton(tr("Ordner wählen…"), this);
    auto *reveal = new QPushButton(tr("Im Dateimanager zeigen"), this);
    connect(m_choose, &QPushButton::clicked, this, &SettingsWindow::chooseLibraryFolder);
    connect(reveal, &QPushButton::clicked, this, &SettingsWindow::showRootFolder);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(m_choose);
    buttons->addWidget(reveal);
    buttons->addStretch();

    m_footnote = ui::label(QString(), ui::TextRole::Caption, false, true);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(16);
    column->addLayout(heading);
    column->addWidget(m_path);
    column->addLayout(buttons);
    column->addWidget(m_footnote);
    column->addLayout(editorChoice());
    column->addLayout(pauseThresholdChoice());
    column->addLayout(languageChoice());
    m_models = new SpeechModelPanel(m_context, this);
    column->addWidget(m_models);
    column->addStretch();

    connect(&m_context.library, &LibraryStore::rootPathChanged, this, &SettingsWindow::updateFromState);
    connect(&m_context.capture, &CaptureController::isRecordingChanged, this,
            &SettingsWindow::updateFromState);
    updateFromState();
}

// The editor the export button writes for and opens.
QLayout *SettingsWindow::editorChoice()
{
    m_editor = new QComboBox(this);
    m_editor->setObjectName(QStringLiteral("exportEditor"));
    const QList<Editor> editors = EditorChoice::editors();
    for (const Editor editor : editors)
        m_editor->addItem(EditorChoice::name(editor));
    m_editor->setCurrentIndex(editors.indexOf(EditorChoice().chosen(m_context.settings)));
    connect(m_editor, &QComboBox::activated, this, [this, editors](int index) {
        EditorChoice::choose(m_context.settings, editors.value(index));
        emit m_context.commands.exportEditorChanged();
    });
    auto *block = new QVBoxLayout;
    block->setSpacing(4);
    block->addWidget(ui::label(tr("Schnittprogramm"), ui::TextRole::Headline));
    block->addWidget(m_editor, 0, Qt::AlignLeft);
    return block;
}

// How long a pause may last in a finished reel before it is shortened.
QLayout *SettingsWindow::pauseThresholdChoice()
{
    m_pauseThreshold = new QDoubleSpinBox(this);
    m_pauseThreshold->setObjectName(QStringLiteral("pauseThreshold"));
    m_pauseThreshold->setRange(RenderOptions::shortestPauseThreshold, RenderOptions::longestPauseThreshold);
    m_pauseThreshold->setSingleStep(0.1);
    m_pauseThreshold->setDecimals(1);
    m_pauseThreshold->setSuffix(QStringLiteral(" s"));
    m_pauseThreshold->setValue(RenderOptions::pauseThresholdSetting(m_context.settings));
    connect(m_pauseThreshold, &QDoubleSpinBox::valueChanged, this,
            [this](double value) { m_context.settings.write(settings::pauseThreshold, value); });
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("Pausen kürzen, die länger sind als"), this));
    row->addWidget(m_pauseThreshold);
    row->addStretch();
    auto *block = new QVBoxLayout;
    block->setSpacing(4);
    block->addWidget(ui::label(tr("Fertiger Reel"), ui::TextRole::Headline));
    block->addLayout(row);
    return block;
}

// The interface language. Windows take their texts when they are made, so
// the choice applies from the next start.
QLayout *SettingsWindow::languageChoice()
{
    m_language = new QComboBox(this);
    m_language->setObjectName(QStringLiteral("uiLanguage"));
    // Each language is named in its own words, whatever the interface speaks.
    m_language->addItem(QStringLiteral("Deutsch"), settingValue(UiLanguage::German));
    m_language->addItem(QStringLiteral("English"), settingValue(UiLanguage::English));
    const UiLanguage chosen
            = uiLanguageFromSetting(m_context.settings.read(settings::uiLanguage).value_or(QString()));
    m_language->setCurrentIndex(m_language->findData(settingValue(chosen)));
    connect(m_language, &QComboBox::activated, this, [this](int index) {
        m_context.settings.write(settings::uiLanguage, m_language->itemData(index).toString());
    });
    auto *row = new QHBoxLayout;
    row->addWidget(m_language);
    row->addWidget(ui::label(tr("Gilt ab dem nächsten Start."), ui::TextRole::Caption));
    row->addStretch();
    auto *block = new QVBoxLayout;
    block->setSpacing(4);
    block->addWidget(ui::label(tr("Sprache der Oberfläche"), ui::TextRole::Headline));
    block->addLayout(row);
    return block;
}

void SettingsWindow::updateFromState()
{
    m_path->setText(m_context.library.rootPath());
    const bool recording = m_context.capture.isRecording();
    m_choose->setEnabled(!recording);
    m_footnote->setText(recording ? tr("Während einer Aufnahme bleibt der Ordner unverändert.")
                                  : tr("Aufnahmen im bisherigen Ordner bleiben dort liegen."));
}

void SettingsWindow::showRootFolder()
{
    DesktopHandOver::open(m_context.opener, m_context.library.rootPath(), DesktopHandOver::Target::folder,
                          this);
}

void SettingsWindow::chooseLibraryFolder()
{
    if (const Status allowed = m_context.session.canChangeLibraryFolder(); !allowed) {
        setErrorText(allowed.error());
        return;
    }
    QFileDialog panel(this, tr("Ordner für die Reel-Bibliothek"), m_context.library.rootPath());
    panel.setObjectName(QStringLiteral("libraryFolderPanel"));
    panel.setFileMode(QFileDialog::Directory);
    panel.setOption(QFileDialog::ShowDirsOnly);
    panel.setLabelText(QFileDialog::Accept, tr("Auswählen"));
    if (panel.exec() != QDialog::Accepted || panel.selectedFiles().isEmpty())
        return;
    applyChosenFolder(panel.selectedFiles().constFirst());
}

void SettingsWindow::applyChosenFolder(const QString &folder)
{
    // The panel is modal, but a take may have started from another window's
    // shortcut while it was up; the session refuses to change the folder
    // under a running take.
    const Status switched = m_context.session.changeLibraryFolder(folder);
    if (!switched)
        setErrorText(switched.error());
}

void SettingsWindow::setErrorText(std::optional<QString> text)
{
    if (m_errorText == text)
        return;
    m_errorText = std::move(text);
    if (!m_errorText) {
        if (m_alert)
            m_alert->close();
        return;
    }
    if (m_alert) {
        ui::setAlertMessage(m_alert, *m_errorText);
        return;
    }
    m_alert = ui::openHinweisAlert(*m_errorText, this);
    connect(m_alert, &QMessageBox::finished, this, [this] {
        m_alert.clear();
        setErrorText(std::nullopt);
    });
}

} // namespace tandrel
