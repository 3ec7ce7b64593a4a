#include "teleprompter/teleprompter_state.h"

#include "platform/display_list.h"
#include "platform/settings_store.h"

#include <QScreen>
#include <algorithm>
#include <cmath>
#include <limits>

namespace tandrel {

namespace {

// A display number from the store; anything that is not a whole number in the
// unsigned 32-bit range (only possible in a hand-edited store) counts as none.
quint32 storedDisplayNumber(const SettingsStore &settings)
{
    if (!settings.contains(settings::selectedDisplayID))
        return 0;
    bool ok = false;
    const qlonglong value = settings.value(settings::selectedDisplayID).toLongLong(&ok);
    if (!ok || value < 0 || value > qlonglong(std::numeric_limits<quint32>::max()))
        return 0;
    return quint32(value);
}

} // namespace

TeleprompterState::TeleprompterState(SettingsStore &settings, std::shared_ptr<const ScreenProvider> screens,
                                     QObject *parent)
    : QObject(parent), m_settings(settings),
      m_screens(screens ? std::move(screens) : std::make_shared<SystemScreenProvider>())
{
    load();
    m_loaded = true;
}

TeleprompterState::~TeleprompterState() = default;

void TeleprompterState::load()
{
    // "inf" reads as a number as well, but no text can be drawn at an endless
    // size nor scrolled at an endless speed.
    if (const auto size = m_settings.read(settings::fontSize);
        size && std::isfinite(*size) && *size >= minimumStoredFontSize)
        setFontSize(*size);
    if (const auto speed = m_settings.read(settings::scrollSpeed);
        speed && std::isfinite(*speed) && *speed >= minimumStoredScrollSpeed)
        setScrollSpeed(*speed);
    if (const auto mirrored = m_settings.read(settings::isMirrored))
        setIsMirrored(*mirrored);

    if (const auto mode = scrollModeFromRaw(m_settings.read(settings::scrollMode).value_or(QString())))
        setScrollMode(*mode);
    else if (const auto follow = m_settings.read(settings::followSpeech))
        setScrollMode(*follow ? TeleprompterScrollMode::speech : TeleprompterScrollMode::steady);

    const QString placement = m_settings.read(settings::textPlacement).value_or(QString());
    if (const auto value = textPlacementFromRaw(placement))
        setTextPlacement(*value);
    if (const auto shows = m_settings.read(settings::showsSelfView))
        setShowsSelfView(*shows);
    setSelectedScreenID(m_settings.read(settings::selectedScreenID));
    setSelectedDisplayID(storedDisplayNumber(m_settings));

    // A display keeps its number while its name may change; the name shown
    // follows the number.
    if (m_selectedDisplayID != 0) {
        for (const TeleprompterScreen &screen : m_screens->screens()) {
            if (screenNumber(screen) == m_selectedDisplayID) {
                setSelectedScreenID(screen.name);
                break;
            }
        }
    }
}

void TeleprompterState::store(const QString &key, const QVariant &value)
{
    // Each write flushes the store to disk; leave keys alone that already
    // hold the value so that a slider drag does not rewrite the file nine
    // times per step.
    if (m_settings.contains(key) && m_settings.value(key) == value)
        return;
    m_settings.setValue(key, value);
}

void TeleprompterState::persist()
{
    if (!m_loaded)
        return;
    store(settings::fontSize, m_fontSize);
    store(settings::scrollSpeed, m_scrollSpeed);
    store(settings::isMirrored, m_isMirrored);
    store(settings::followSpeech, m_scrollMode == TeleprompterScrollMode::speech);
    store(settings::scrollMode, rawValue(m_scrollMode));
    store(settings::textPlacement, rawValue(m_textPlacement));
    store(settings::showsSelfView, m_showsSelfView);
    if (m_selectedScreenID)
        store(settings::selectedScreenID, *m_selectedScreenID);
    else if (m_settings.contains(settings::selectedScreenID))
        m_settings.remove(settings::selectedScreenID);
    store(settings::selectedDisplayID, qlonglong(m_selectedDisplayID));
}

// Stores a value, notifies only on change; persisted fields persist always.
#define TANDREL_SET(member, signal, persisted)                                                               \
    do {                                                                                                     \
        if (member != value) {                                                                               \
            member = value;                                                                                  \
            emit signal();                                                                                   \
        }                                                                                                    \
        if (persisted)                                                                                       \
            persist();                                                                                       \
    } while (false)

void TeleprompterState::setFontSize(double value)
{
    TANDREL_SET(m_fontSize, fontSizeChanged, true);
}
void TeleprompterState::setScrollSpeed(double value)
{
    TANDREL_SET(m_scrollSpeed, scrollSpeedChanged, true);
}
void TeleprompterState::setIsMirrored(bool value)
{
    TANDREL_SET(m_isMirrored, isMirroredChanged, true);
}
void TeleprompterState::setScrollMode(TeleprompterScrollMode value)
{
    TANDREL_SET(m_scrollMode, scrollModeChanged, true);
}
void TeleprompterState::setTextPlacement(TeleprompterTextPlacement value)
{
    TANDREL_SET(m_textPlacement, textPlacementChanged, true);
}
void TeleprompterState::setShowsSelfView(bool value)
{
    TANDREL_SET(m_showsSelfView, showsSelfViewChanged, true);
}
void TeleprompterState::setSelectedScreenID(const std::optional<QString> &value)
{
    TANDREL_SET(m_selectedScreenID, selectedScreenIDChanged, true);
}
void TeleprompterState::setSelectedScreenIDText(const QString &text)
{
    setSelectedScreenID(text.isEmpty() ? std::nullopt : std::optional<QString>(text));
}
void TeleprompterState::setSelectedDisplayID(quint32 value)
{
    TANDREL_SET(m_selectedDisplayID, selectedDisplayIDChanged, true);
}
void TeleprompterState::setIsScrolling(bool value)
{
    TANDREL_SET(m_isScrolling, isScrollingChanged, false);
}
void TeleprompterState::setIsPresented(bool value)
{
    TANDREL_SET(m_isPresented, isPresentedChanged, false);
}
void TeleprompterState::setTitle(const QString &value)
{
    TANDREL_SET(m_title, titleChanged, false);
}
void TeleprompterState::setFollowStatus(FollowState state, const FollowFailure &failure)
{
    if (m_followState != state || m_followFailure != failure) {
        m_followState = state;
        m_followFailure = failure;
        emit followStatusChanged();
    }
}

#undef TANDREL_SET

void TeleprompterState::loadScript(const QString &script)
{
    if (script == m_document->text())
        return;
    m_document = ScriptDocument::make(script);
    emit scriptChanged();
    setReadingPosition(m_cursor, m_lookahead);
}

void TeleprompterState::setReadingPosition(qint64 cursor, qint64 lookahead)
{
    cursor = std::clamp<qint64>(cursor, 0, m_document->tokenCount());
    lookahead = std::max<qint64>(lookahead, 0);
    if (cursor == m_cursor && lookahead == m_lookahead)
        return;
    m_cursor = cursor;
    m_lookahead = lookahead;
    emit readingPositionChanged();
}

void TeleprompterState::resetFollow()
{
    setReadingPosition(0, 0);
    ++m_resetGeneration;
    emit resetGenerationChanged();
    emit followResetRequested();
}

void TeleprompterState::syncSelectedDisplay()
{
    if (!m_selectedScreenID) {
        setSelectedDisplayID(0);
        return;
    }
    for (const TeleprompterScreen &screen : m_screens->screens()) {
        if (screen.name == *m_selectedScreenID) {
            setSelectedDisplayID(screenNumber(screen));
            return;
        }
    }
}

std::optional<TeleprompterScreen> TeleprompterState::resolvedScreen() const
{
    const QList<TeleprompterScreen> screens = m_screens->screens();
    if (m_selectedDisplayID != 0) {
        for (const TeleprompterScreen &screen : screens)
            if (screenNumber(screen) == m_selectedDisplayID)
                return screen;
    }
    if (m_selectedScreenID) {
        for (const TeleprompterScreen &screen : screens)
            if (screen.name == *m_selectedScreenID)
                return screen;
    }
    if (screens.isEmpty())
        return std::nullopt;
    return screens.last();
}

QScreen *TeleprompterState::resolvedQScreen() const
{
    const auto screen = resolvedScreen();
    return screen ? SystemScreenProvider::qscreen(screen->number) : nullptr;
}

quint32 TeleprompterState::screenNumber(QScreen *screen)
{
    return screen ? DisplayList::instance()->numberOf(screen) : 0;
}

} // namespace tandrel
