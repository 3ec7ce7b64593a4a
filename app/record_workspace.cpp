#include "app/record_workspace.h"
#include "app/capture_status_text.h"
#include "app/capture_text.h"
#include "app/editor_texts.h"

#include "app/app_commands.h"
#include "app/model_notice.h"
#include "app/preview_panel.h"
#include "app/recording_session.h"
#include "app/symbols.h"
#include "app/take_list.h"
#include "app/take_list_model.h"
#include "app/teleprompter_options.h"
#include "app/ui_style.h"
#include "capture/capture_controller.h"
#include "export/editor_choice.h"
#include "library/library_store.h"
#include "speech/speech_follower.h"
#include "teleprompter/teleprompter_state.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace tandrel {

namespace {

const QString kScreenPlaceholder = QStringLiteral("screen:request");

QToolButton *flipButton(Symbol symbol, const QString &help, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setCheckable(true);
    button->setIcon(symbolIcon(symbol, parent->palette().color(QPalette::WindowText)));
    button->setToolTip(help);
    button->setAccessibleName(help);
    return button;
}

} // namespace

RecordWorkspace::RecordWorkspace(AppContext context, QWidget *parent) : QWidget(parent), m_context(context)
{
    m_persistTimer.setSingleShot(true);
    m_persistTimer.setInterval(280);
    connect(&m_persistTimer, &QTimer::timeout, this, &RecordWorkspace::persistNow);

    auto *divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);

    auto *split = new QSplitter(Qt::Horizontal, this);
    split->setChildrenCollapsible(false);
    split->addWidget(buildLeftColumn());
    split->addWidget(buildRightColumn());
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(10);
    column->addWidget(buildHeader());
    column->addWidget(divider);
    m_modelNotice = new ModelNotice(m_context, this);
    column->addWidget(m_modelNotice);
    column->addWidget(split, 1);

    // The take list follows the store through its model.
    connect(&m_context.library, &LibraryStore::reelsChanged, this, &RecordWorkspace::syncRecordControls);
    connectCapture();
    connectTeleprompter();
    syncVideoPicker();
    syncAudioPicker();
    syncRecordControls();
}

RecordWorkspace::~RecordWorkspace() = default;

QWidget *RecordWorkspace::buildHeader()
{
    auto *header = new QWidget(this);
    m_number = new QLineEdit(header);
    m_number->setObjectName(QStringLiteral("numberField"));
    m_number->setPlaceholderText(tr("Nr."));
    m_number->setFixedWidth(64);
    m_title = new QLineEdit(header);
    m_title->setObjectName(QStringLiteral("titleField"));
    m_title->setPlaceholderText(tr("Titel"));
    connect(m_number, &QLineEdit::returnPressed, this, &RecordWorkspace::persistNow);
    connect(m_title, &QLineEdit::returnPressed, this, &RecordWorkspace::persistNow);

    m_video = new QComboBox(header);
    m_video->setObjectName(QStringLiteral("videoPicker"));
    m_video->setAccessibleName(tr("Video"));
    m_video->setFixedWidth(220);
    m_audio = new QComboBox(header);
    m_audio->setObjectName(QStringLiteral("audioPicker"));
    m_audio->setAccessibleName(tr("Audio"));
    m_audio->setFixedWidth(220);

    m_flipH = flipButton(Symbol::FlipHorizontal, tr("Video horizontal spiegeln"), header);
    m_flipV = flipButton(Symbol::FlipVertical, tr("Video vertikal spiegeln"), header);

    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(m_number);
    row->addWidget(m_title, 1);
    row->addSpacing(8);
    row->addWidget(new QLabel(tr("Video"), header));
    row->addWidget(m_video);
    row->addWidget(new QLabel(tr("Audio"), header));
    row->addWidget(m_audio);
    row->addWidget(m_flipH);
    row->addWidget(m_flipV);
    return header;
}

QWidget *RecordWorkspace::buildLeftColumn()
{
    auto *left = new QWidget(this);
    left->setMinimumWidth(520);

    m_preview = new PreviewPanel(m_context.capture, left);
    m_preview->setMinimumHeight(240);
    connect(m_preview, &PreviewPanel::cropOffsetEdited, this, &RecordWorkspace::setCropOffset);

    m_record = new QPushButton(left);
    m_record->setObjectName(QStringLiteral("recordButton"));
    m_record->setToolTip(tr("Strg+R"));
    m_record->setMinimumHeight(36);
    m_record->setIconSize(QSize(22, 22));
    QFont big = m_record->font();
    big.setPointSizeF(big.pointSizeF() * 1.2);
    big.setWeight(QFont::DemiBold);
    m_record->setFont(big);
    m_record->setAutoDefault(false);
    connect(m_record, &QPushButton::clicked, this, &RecordWorkspace::toggleRecording);

    m_teleprompterButton = new QPushButton(tr("Teleprompter"), left);
    m_teleprompterButton->setObjectName(QStringLiteral("teleprompterButton"));
    m_teleprompterButton->setToolTip(tr("Strg+T"));
    m_teleprompterButton->setAccessibleName(tr("Teleprompter"));
    m_teleprompterButton->setAutoDefault(false);
    connect(m_teleprompterButton, &QPushButton::clicked, this, [this] { openTeleprompter(false); });

    m_export = new QPushButton(exportButtonText(EditorChoice().chosen(m_context.settings)), left);
    m_export->setObjectName(QStringLiteral("exportButton"));
    m_export->setToolTip(tr("Strg+E"));
    m_export->setAutoDefault(false);
    connect(m_export, &QPushButton::clicked, this, &RecordWorkspace::exportToEditor);
    connect(&m_context.commands, &AppCommands::exportEditorChanged, m_export,
            [this] { m_export->setText(exportButtonText(EditorChoice().chosen(m_context.settings))); });

    m_finish = new QPushButton(tr("Reel fertigstellen…"), left);
    m_finish->setObjectName(QStringLiteral("finishReelButton"));
    m_finish->setAutoDefault(false);
    connect(m_finish, &QPushButton::clicked, this, [this] { finishReel(std::nullopt); });

    m_captureStatus = ui::label(QString(), ui::TextRole::Caption, false, true);
    m_captureStatus->setObjectName(QStringLiteral("captureStatus"));

    auto *controls = new QHBoxLayout;
    controls->setSpacing(8);
    controls->addWidget(m_record);
    controls->addWidget(m_teleprompterButton);
    controls->addWidget(m_export);
    controls->addWidget(m_captureStatus, 1);

    m_takeModel = new TakeListModel(m_context.library, this);
    m_takes = new TakeList(m_takeModel, left);
    connect(m_takes, &TakeList::deleteRequested, this, &RecordWorkspace::requestDeleteTake);
    connect(m_takes, &TakeList::showFolderRequested, this, &RecordWorkspace::showTakesFolder);
    connect(m_takes, &TakeList::playRequested, this, &RecordWorkspace::playTake);
    connect(m_takes, &TakeList::finishRequested, this, [this](const Take &take) { finishReel(take.id); });
    m_takeModel->setCaptioner(&m_context.session.captioner());
    connect(m_takes, &TakeList::captionsRequested, this, [this](const Take &take) {
        // A take recorded before word times were learnt: its reel's script
        // as it is now is the best guess of what was read.
        if (const std::optional<ReelProject> reel = currentReel())
            m_context.session.captioner().align(*reel, take, reel->script);
    });
    m_noTakes = ui::label(tr("Noch keine Aufnahmen. Video (Kamera, HDMI oder Bildschirm) und Audio "
                             "wählen, 9:16-Ausschnitt setzen, dann aufnehmen."),
                          ui::TextRole::Body, false, true);
    m_noTakes->setObjectName(QStringLiteral("noTakes"));
    m_noTakes->setWordWrap(true);
    m_noTakes->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_takesStack = new QStackedWidget(left);
    m_takesStack->addWidget(m_noTakes);
    m_takesStack->addWidget(m_takes);
    connect(m_takeModel, &QAbstractItemModel::rowsInserted, this, &RecordWorkspace::showTakesOrHint);
    connect(m_takeModel, &QAbstractItemModel::rowsRemoved, this, &RecordWorkspace::showTakesOrHint);
    connect(m_takeModel, &QAbstractItemModel::modelReset, this, &RecordWorkspace::showTakesOrHint);

    auto *column = new QVBoxLayout(left);
    column->setContentsMargins(0, 0, 6, 0);
    column->setSpacing(10);
    column->addWidget(m_preview, 3);
    column->addLayout(controls);
    // X11 cannot leave a window out of a grab, so the presenter is told.
    m_teleprompterOnScreen = ui::label(
            tr("Der Teleprompter liegt auf dem aufgenommenen Bildschirm und ist im Video zu sehen."),
            ui::TextRole::Caption, false, true);
    m_teleprompterOnScreen->setObjectName(QStringLiteral("teleprompterOnRecordedScreen"));
    m_teleprompterOnScreen->setWordWrap(true);
    m_teleprompterOnScreen->hide();
    column->addWidget(m_teleprompterOnScreen);
    auto *takesHeading = new QHBoxLayout;
    takesHeading->addWidget(ui::label(tr("Takes"), ui::TextRole::Headline));
    takesHeading->addStretch();
    takesHeading->addWidget(m_finish);
    column->addLayout(takesHeading);
    column->addWidget(m_takesStack, 2);
    return left;
}

QWidget *RecordWorkspace::buildRightColumn()
{
    auto *right = new QWidget(this);
    right->setMinimumWidth(320);

    m_script = new QPlainTextEdit(right);
    m_script->setObjectName(QStringLiteral("scriptEditor"));
    QFont scriptFont = ui::font(ui::TextRole::Body);
    scriptFont.setPointSizeF(14);
    m_script->setFont(scriptFont);
    m_script->setMinimumHeight(140);
    m_script->setFrameShape(QFrame::StyledPanel);
    connect(m_script, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_loading)
            schedulePersist();
    });

    m_options = new TeleprompterOptions(m_context.teleprompter, m_context.speechFollower, right);

    auto *column = new QVBoxLayout(right);
    column->setContentsMargins(6, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(ui::label(tr("Teleprompter-Text"), ui::TextRole::Headline));
    column->addWidget(m_script, 1);
    column->addWidget(m_options);
    return right;
}

void RecordWorkspace::connectCapture()
{
    CaptureController &capture = m_context.capture;
    connect(&capture, &CaptureController::videoSourcesChanged, this, &RecordWorkspace::syncVideoPicker);
    connect(&capture, &CaptureController::selectedVideoSourceIDChanged, this, [this] {
        syncVideoPicker();
        syncRecordControls();
    });
    connect(&capture, &CaptureController::microphonesChanged, this, &RecordWorkspace::syncAudioPicker);
    connect(&capture, &CaptureController::selectedMicrophoneIDChanged, this, [this] {
        syncAudioPicker();
        syncRecordControls();
    });
    connect(&capture, &CaptureController::isRecordingChanged, this, &RecordWorkspace::syncRecordControls);
    connect(&capture, &CaptureController::statusChanged, this, &RecordWorkspace::syncRecordControls);
    connect(&capture, &CaptureController::flipHorizontalChanged, this, &RecordWorkspace::syncRecordControls);
    connect(&capture, &CaptureController::flipVerticalChanged, this, &RecordWorkspace::syncRecordControls);
    connect(&capture, &CaptureController::selectedVideoSourceIDChanged, this,
            &RecordWorkspace::syncTeleprompterOnScreenNote);
    connect(&m_context.teleprompter, &TeleprompterState::isPresentedChanged, this,
            &RecordWorkspace::syncTeleprompterOnScreenNote);
    connect(&m_context.teleprompter, &TeleprompterState::selectedDisplayIDChanged, this,
            &RecordWorkspace::syncTeleprompterOnScreenNote);

    connect(m_video, &QComboBox::activated, this, [this](int index) {
        const QVariant id = m_video->itemData(index);
        m_context.capture.selectVideoSource(id.isNull() ? std::nullopt
                                                        : std::optional<QString>(id.toString()));
        // Picking the screen placeholder only asks for the screens; the
        // selection itself stays until they arrive.
        syncVideoPicker();
    });
    connect(m_audio, &QComboBox::activated, this, [this](int index) {
        const QVariant id = m_audio->itemData(index);
        m_context.capture.setSelectedMicrophoneID(id.isNull() ? std::nullopt
                                                              : std::optional<QString>(id.toString()));
        m_context.capture.scheduleReconfigure();
    });
    connect(m_flipH, &QToolButton::toggled, this,
            [this](bool on) { m_context.capture.setFlipHorizontal(on); });
    connect(m_flipV, &QToolButton::toggled, this, [this](bool on) { m_context.capture.setFlipVertical(on); });
}

void RecordWorkspace::syncVideoPicker()
{
    const QSignalBlocker block(m_video);
    m_video->clear();
    m_video->addItem(tr("Keine"), QVariant());
    for (const VideoSource &source : m_context.capture.videoSources())
        m_video->addItem(videoSourceText(source), source.id);
    const std::optional<QString> selected = m_context.capture.selectedVideoSourceID();
    const int index = selected ? m_video->findData(*selected) : 0;
    m_video->setCurrentIndex(std::max(index, 0));
}

void RecordWorkspace::syncAudioPicker()
{
    const QSignalBlocker block(m_audio);
    m_audio->clear();
    m_audio->addItem(tr("Keine"), QVariant());
    for (const AudioDevice &microphone : m_context.capture.microphones())
        m_audio->addItem(microphone.name, microphone.id);
    const std::optional<QString> selected = m_context.capture.selectedMicrophoneID();
    const int index = selected ? m_audio->findData(*selected) : 0;
    m_audio->setCurrentIndex(std::max(index, 0));
}

void RecordWorkspace::syncRecordControls()
{
    CaptureController &capture = m_context.capture;
    const bool recording = capture.isRecording();
    m_record->setText(recording ? tr("Stop") : tr("Aufnahme"));
    m_record->setIcon(symbolIcon(recording ? Symbol::Stop : Symbol::Record,
                                 recording ? QColor(220, 40, 40) : palette().color(QPalette::ButtonText),
                                 22));
    const std::optional<QString> video = capture.selectedVideoSourceID();
    const bool hasVideo = video && *video != kScreenPlaceholder;
    const bool hasAudio = capture.selectedMicrophoneID().has_value();
    m_record->setEnabled(currentReel().has_value() && (hasVideo || hasAudio));
    m_captureStatus->setText(captureStatusText(capture.status()));
    {
        const QSignalBlocker blockH(m_flipH);
        const QSignalBlocker blockV(m_flipV);
        m_flipH->setChecked(capture.flipHorizontal());
        m_flipV->setChecked(capture.flipVertical());
    }
}

void RecordWorkspace::syncTeleprompterOnScreenNote()
{
    const std::optional<QString> video = m_context.capture.selectedVideoSourceID();
    const std::optional<quint32> recorded = video ? screenDisplayID(*video) : std::nullopt;
    const auto teleprompterScreen = m_context.teleprompter.resolvedScreen();
    m_teleprompterOnScreen->setVisible(m_context.teleprompter.isPresented() && recorded && teleprompterScreen
                                       && teleprompterScreen->number == *recorded);
}

void RecordWorkspace::syncTakes()
{
    m_takeModel->setReelID(m_reelID);
    showTakesOrHint();
}

void RecordWorkspace::showTakesOrHint()
{
    m_takesStack->setCurrentWidget(m_takeModel->rowCount() > 0 ? static_cast<QWidget *>(m_takes)
                                                               : static_cast<QWidget *>(m_noTakes));
}

std::optional<ReelProject> RecordWorkspace::currentReel() const
{
    if (!m_reelID)
        return std::nullopt;
    return m_context.library.reel(*m_reelID);
}

} // namespace tandrel
