#include "app/teleprompter_options.h"

#include "app/follow_status_text.h"
#include "app/symbols.h"
#include "app/ui_style.h"
#include "platform/display_list.h"
#include "platform/display_name.h"
#include "speech/speech_follower.h"
#include "teleprompter/screen_provider.h"
#include "teleprompter/teleprompter_state.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace tandrel {

namespace {

// Sliders work in tenths so that the values stay continuous enough.
constexpr int kSliderScale = 10;

QWidget *segmented(QButtonGroup *group, const QStringList &labels, const QString &accessibleName,
                   QWidget *parent)
{
    auto *box = new QWidget(parent);
    box->setAccessibleName(accessibleName);
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (int i = 0; i < labels.size(); ++i) {
        auto *button = new QPushButton(labels.at(i), box);
        button->setCheckable(true);
        button->setAutoDefault(false);
        // The chosen segment in the selection colour: a pressed-looking
        // button is hard to tell from the others in a dark palette.
        QObject::connect(button, &QPushButton::toggled, button, [button](bool on) {
            QPalette palette = button->parentWidget()->palette();
            if (on) {
                palette.setColor(QPalette::Button, palette.color(QPalette::Highlight));
                palette.setColor(QPalette::ButtonText, palette.color(QPalette::HighlightedText));
            }
            button->setPalette(palette);
        });
        group->addButton(button, i);
        row->addWidget(button);
    }
    group->setExclusive(true);
    return box;
}

QLabel *symbolLabel(Symbol symbol, QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setPixmap(symbolPixmap(symbol, ui::secondaryColor(), 18));
    return l;
}

} // namespace

TeleprompterOptions::TeleprompterOptions(TeleprompterState &state, SpeechFollower &follower, QWidget *parent)
    : QWidget(parent), m_state(state), m_follower(follower)
{
    m_screen = new QComboBox(this);
    m_screen->setObjectName(QStringLiteral("screenPicker"));
    m_screen->setAccessibleName(tr("Bildschirm"));
    // A long screen name must not widen the column; the open list shows it whole.
    m_screen->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_screen->setMinimumContentsLength(12);
    auto *screenRow = new QHBoxLayout;
    screenRow->addWidget(new QLabel(tr("Bildschirm"), this));
    screenRow->addWidget(m_screen, 1);
    auto *keys = ui::label(tr("Leertaste pausiert, 0 setzt zurück, +/− ändert die Schrift, Esc schließt."),
                           ui::TextRole::Caption, false, true);
    keys->setWordWrap(true);

    m_mode = new QButtonGroup(this);
    QWidget *modePicker = segmented(m_mode, {tr("Mit KI"), tr("Laufend")}, tr("Mitscrollen"), this);
    modePicker->setObjectName(QStringLiteral("scrollModePicker"));
    m_modePages = new QStackedWidget(this);
    m_modePages->addWidget(buildSpeechPage());
    m_modePages->addWidget(buildSteadyPage());

    m_placement = new QButtonGroup(this);
    QWidget *placementPicker
            = segmented(m_placement, {tr("Standard"), tr("Mitte")}, tr("Textposition"), this);
    auto *placementRow = new QHBoxLayout;
    placementRow->addWidget(new QLabel(tr("Textposition"), this));
    placementRow->addWidget(placementPicker, 1);

    m_font = new QSlider(Qt::Horizontal, this);
    m_font->setObjectName(QStringLiteral("fontSlider"));
    m_font->setAccessibleName(tr("Schriftgröße"));
    m_font->setRange(28 * kSliderScale, 96 * kSliderScale);
    auto *fontRow = new QHBoxLayout;
    fontRow->addWidget(new QLabel(tr("Schrift"), this));
    fontRow->addWidget(m_font, 1);

    m_mirror = new QCheckBox(tr("Text spiegeln"), this);
    m_selfView = new QCheckBox(tr("Mich im Hintergrund zeigen"), this);
    m_selfView->setToolTip(tr("Zeigt das Videobild hinter dem Teleprompter-Text."));

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addLayout(screenRow);
    column->addWidget(keys);
    column->addSpacing(6);
    column->addWidget(ui::label(tr("Mitscrollen"), ui::TextRole::Headline));
    column->addWidget(modePicker);
    column->addWidget(m_modePages);
    column->addSpacing(6);
    column->addWidget(ui::label(tr("Darstellung"), ui::TextRole::Headline));
    column->addLayout(placementRow);
    column->addLayout(fontRow);
    column->addWidget(m_mirror);
    column->addWidget(m_selfView);
    column->addStretch();

    // Controls write the state; the state's changes flow back through syncFromState.
    connect(m_screen, &QComboBox::activated, this, &TeleprompterOptions::chooseScreen);
    connect(m_mode, &QButtonGroup::idClicked, this, [this](int id) {
        m_state.setScrollMode(id == 0 ? TeleprompterScrollMode::speech : TeleprompterScrollMode::steady);
    });
    connect(m_placement, &QButtonGroup::idClicked, this, [this](int id) {
        m_state.setTextPlacement(id == 0 ? TeleprompterTextPlacement::standard
                                         : TeleprompterTextPlacement::center);
    });
    connect(m_speed, &QSlider::valueChanged, this, [this](int value) {
        if (!m_syncing)
            m_state.setScrollSpeed(double(value) / kSliderScale);
    });
    connect(m_font, &QSlider::valueChanged, this, [this](int value) {
        if (!m_syncing)
            m_state.setFontSize(double(value) / kSliderScale);
    });
    connect(m_mirror, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_syncing)
            m_state.setIsMirrored(on);
    });
    connect(m_selfView, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_syncing)
            m_state.setShowsSelfView(on);
    });

    for (auto signal :
         {&TeleprompterState::fontSizeChanged, &TeleprompterState::scrollSpeedChanged,
          &TeleprompterState::isMirroredChanged, &TeleprompterState::scrollModeChanged,
          &TeleprompterState::textPlacementChanged, &TeleprompterState::showsSelfViewChanged,
          &TeleprompterState::selectedScreenIDChanged, &TeleprompterState::selectedDisplayIDChanged})
        connect(&m_state, signal, this, &TeleprompterOptions::syncFromState);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, &TeleprompterOptions::rebuildScreens);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &TeleprompterOptions::rebuildScreens);
    connect(&m_follower, &SpeechFollower::stateChanged, this, &TeleprompterOptions::syncFollower);
    connect(&m_follower, &SpeechFollower::failureChanged, this, &TeleprompterOptions::syncFollower);
    connect(&m_follower, &SpeechFollower::lastHeardChanged, this, &TeleprompterOptions::syncFollower);

    rebuildScreens();
    syncFromState();
    syncFollower();
}

QWidget *TeleprompterOptions::buildSpeechPage()
{
    auto *page = new QWidget(this);
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    auto *caption = ui::label(tr("Der Text folgt deiner Stimme, lokal auf diesem Rechner."),
                              ui::TextRole::Caption, false, true);
    caption->setWordWrap(true);
    m_followStatus = ui::label(QString(), ui::TextRole::Caption);
    m_followStatus->setObjectName(QStringLiteral("followStatus"));
    m_followStatus->setWordWrap(true);
    m_lastHeard = ui::label(QString(), ui::TextRole::Caption, false, true);
    m_lastHeard->setObjectName(QStringLiteral("lastHeard"));
    m_lastHeard->setWordWrap(true);
    column->addWidget(caption);
    column->addWidget(m_followStatus);
    column->addWidget(m_lastHeard);
    column->addStretch();
    return page;
}

QWidget *TeleprompterOptions::buildSteadyPage()
{
    auto *page = new QWidget(this);
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    column->addWidget(ui::label(tr("Läuft gleichmäßig nach unten. Leertaste pausiert."),
                                ui::TextRole::Caption, false, true));
    m_speed = new QSlider(Qt::Horizontal, page);
    m_speed->setObjectName(QStringLiteral("speedSlider"));
    m_speed->setAccessibleName(tr("Scrollgeschwindigkeit"));
    m_speed->setRange(24 * kSliderScale, 240 * kSliderScale);
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("Geschwindigkeit"), page));
    row->addWidget(symbolLabel(Symbol::Tortoise, page));
    row->addWidget(m_speed, 1);
    row->addWidget(symbolLabel(Symbol::Hare, page));
    column->addLayout(row);
    column->addStretch();
    return page;
}

void TeleprompterOptions::rebuildScreens()
{
    m_syncing = true;
    m_screen->clear();
    m_screen->addItem(tr("Automatisch (letzter)"), QVariant());
    // Named as the video picker names them, so one screen reads the same in both.
    const QList<DisplayInfo> displays = DisplayList::instance()->displays();
    for (const TeleprompterScreen &screen : SystemScreenProvider().screens()) {
        const auto display = std::find_if(displays.begin(), displays.end(),
                                          [&](const DisplayInfo &d) { return d.number == screen.number; });
        const QString label = display != displays.end() ? displayName(*display, displays) : screen.name;
        m_screen->addItem(label, QVariant::fromValue(screen.number));
        m_screen->setItemData(m_screen->count() - 1, screen.name, Qt::UserRole + 1);
    }
    m_syncing = false;
    syncFromState();
}

void TeleprompterOptions::syncFromState()
{
    m_syncing = true;
    const std::optional<QString> screen = m_state.selectedScreenID();
    int index = 0;
    if (screen) {
        index = m_screen->findData(QVariant::fromValue(m_state.selectedDisplayID()));
        if (index < 0)
            index = m_screen->findData(*screen, Qt::UserRole + 1);
        if (index < 0) {
            // A stored display that is not attached stays chosen and visible.
            m_screen->addItem(*screen, QVariant::fromValue(quint32(0)));
            m_screen->setItemData(m_screen->count() - 1, *screen, Qt::UserRole + 1);
            index = m_screen->count() - 1;
        }
    }
    m_screen->setCurrentIndex(index);
    const bool speech = m_state.scrollMode() == TeleprompterScrollMode::speech;
    m_mode->button(speech ? 0 : 1)->setChecked(true);
    m_modePages->setCurrentIndex(speech ? 0 : 1);
    m_placement->button(m_state.textPlacement() == TeleprompterTextPlacement::standard ? 0 : 1)
            ->setChecked(true);
    m_speed->setValue(qRound(m_state.scrollSpeed() * kSliderScale));
    m_font->setValue(qRound(m_state.fontSize() * kSliderScale));
    m_mirror->setChecked(m_state.isMirrored());
    m_selfView->setChecked(m_state.showsSelfView());
    m_syncing = false;
}

void TeleprompterOptions::chooseScreen(int index)
{
    if (index <= 0) {
        m_state.setSelectedScreenID(std::nullopt);
        return;
    }
    const quint32 number = m_screen->itemData(index).value<quint32>();
    m_state.setSelectedScreenID(m_screen->itemData(index, Qt::UserRole + 1).toString());
    // The name alone cannot tell two identical monitors apart; the number the
    // user picked wins over the first screen of that name.
    if (number != 0)
        m_state.setSelectedDisplayID(number);
}

void TeleprompterOptions::syncFollower()
{
    const QString status = followStatusText(m_follower.state(), m_follower.failure());
    m_followStatus->setText(status);
    m_followStatus->setVisible(!status.isEmpty());
    m_lastHeard->setText(m_follower.lastHeard());
    m_lastHeard->setVisible(!m_follower.lastHeard().isEmpty());
}

} // namespace tandrel
