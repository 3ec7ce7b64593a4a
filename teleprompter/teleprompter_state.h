#pragma once

#include "speech/follow_state.h"
#include "speech/script_document.h"
#include "teleprompter/screen_provider.h"
#include "teleprompter/teleprompter_scroll_mode.h"
#include "teleprompter/teleprompter_text_placement.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QScreen;

namespace tandrel {

class SettingsStore;

// The one description of the teleprompter: the user's settings (persisted in
// the user settings under "teleprompter." keys), the script on show (a
// document shared with the speech follower), a copy of the reading position
// the follower reports, and live flags. Main thread only.
//
// Every property notifies only when its value changes; every write of a
// persisted property persists all nine keys, changed or not.
class TeleprompterState : public QObject
{
    Q_OBJECT
    Q_PROPERTY(double fontSize READ fontSize WRITE setFontSize NOTIFY fontSizeChanged)
    Q_PROPERTY(double scrollSpeed READ scrollSpeed WRITE setScrollSpeed NOTIFY scrollSpeedChanged)
    Q_PROPERTY(bool isMirrored READ isMirrored WRITE setIsMirrored NOTIFY isMirroredChanged)
    Q_PROPERTY(tandrel::TeleprompterScrollMode scrollMode READ scrollMode WRITE setScrollMode NOTIFY
                       scrollModeChanged)
    Q_PROPERTY(tandrel::TeleprompterTextPlacement textPlacement READ textPlacement WRITE setTextPlacement
                       NOTIFY textPlacementChanged)
    Q_PROPERTY(bool showsSelfView READ showsSelfView WRITE setShowsSelfView NOTIFY showsSelfViewChanged)
    // Empty text stands for none (automatic screen choice).
    Q_PROPERTY(QString selectedScreenID READ selectedScreenIDText WRITE setSelectedScreenIDText NOTIFY
                       selectedScreenIDChanged)
    Q_PROPERTY(quint32 selectedDisplayID READ selectedDisplayID WRITE setSelectedDisplayID NOTIFY
                       selectedDisplayIDChanged)
    Q_PROPERTY(bool isScrolling READ isScrolling WRITE setIsScrolling NOTIFY isScrollingChanged)
    Q_PROPERTY(bool isPresented READ isPresented WRITE setIsPresented NOTIFY isPresentedChanged)
    Q_PROPERTY(QString script READ script WRITE loadScript NOTIFY scriptChanged)
    Q_PROPERTY(QString title READ title WRITE setTitle NOTIFY titleChanged)
    // Where the speech follower stands, and its error text when it failed.
    Q_PROPERTY(tandrel::FollowState followState READ followState NOTIFY followStatusChanged)
    Q_PROPERTY(qint64 resetGeneration READ resetGeneration NOTIFY resetGenerationChanged)

public:
    static constexpr double defaultFontSize = 56;
    static constexpr double defaultScrollSpeed = 72;
    static constexpr double minimumStoredFontSize = 24;
    static constexpr double minimumStoredScrollSpeed = 8;

    // Loads the settings from `settings`, which must outlive the state.
    // Without a screen provider the application's displays are used.
    explicit TeleprompterState(SettingsStore &settings, std::shared_ptr<const ScreenProvider> screens = {},
                               QObject *parent = nullptr);
    ~TeleprompterState() override;

    double fontSize() const { return m_fontSize; }
    double scrollSpeed() const { return m_scrollSpeed; }
    bool isMirrored() const { return m_isMirrored; }
    TeleprompterScrollMode scrollMode() const { return m_scrollMode; }
    TeleprompterTextPlacement textPlacement() const { return m_textPlacement; }
    bool showsSelfView() const { return m_showsSelfView; }
    // The chosen screen's name; none means automatic.
    const std::optional<QString> &selectedScreenID() const { return m_selectedScreenID; }
    QString selectedScreenIDText() const { return m_selectedScreenID.value_or(QString()); }
    quint32 selectedDisplayID() const { return m_selectedDisplayID; }
    bool isScrolling() const { return m_isScrolling; }
    bool isPresented() const { return m_isPresented; }
    const QString &script() const { return m_document->text(); }
    const ScriptDocumentPtr &document() const { return m_document; }
    const QString &title() const { return m_title; }
    // The reading position within the document: the token to be read next
    // and how far the pending recognition reaches beyond it.
    qint64 cursor() const { return m_cursor; }
    qint64 lookahead() const { return m_lookahead; }
    FollowState followState() const { return m_followState; }
    const FollowFailure &followFailure() const { return m_followFailure; }
    qint64 resetGeneration() const { return m_resetGeneration; }

    void setFontSize(double value);
    void setScrollSpeed(double value);
    void setIsMirrored(bool value);
    void setScrollMode(TeleprompterScrollMode value);
    void setTextPlacement(TeleprompterTextPlacement value);
    void setShowsSelfView(bool value);
    void setSelectedScreenID(const std::optional<QString> &value);
    void setSelectedScreenIDText(const QString &value);
    void setSelectedDisplayID(quint32 value);
    void setIsScrolling(bool value);
    void setIsPresented(bool value);
    void setTitle(const QString &value);
    void setFollowStatus(FollowState state, const FollowFailure &failure = {});

    // Writes all nine keys; does nothing while loading.
    void persist();
    // Shows a new script. The position is kept within it; where the reader
    // goes in an edited script is the speech follower's to say.
    void loadScript(const QString &script);
    // The reading position the speech follower has reached in the script,
    // kept within it.
    void setReadingPosition(qint64 cursor, qint64 lookahead);
    // Sends the reading position back to the first word, tells the view to
    // scroll to the top and the speech follower to start over.
    void resetFollow();
    // Derives the display number from the chosen screen name.
    void syncSelectedDisplay();
    // The screen the teleprompter window goes to: the chosen display number,
    // else the chosen name, else the last screen; none without screens.
    std::optional<TeleprompterScreen> resolvedScreen() const;
    QScreen *resolvedQScreen() const;

    static quint32 screenNumber(const TeleprompterScreen &screen) { return screen.number; }
    // The DisplayList number of a Qt screen; 0 for none.
    static quint32 screenNumber(QScreen *screen);

signals:
    void fontSizeChanged();
    void scrollSpeedChanged();
    void isMirroredChanged();
    void scrollModeChanged();
    void textPlacementChanged();
    void showsSelfViewChanged();
    void selectedScreenIDChanged();
    void selectedDisplayIDChanged();
    void isScrollingChanged();
    void isPresentedChanged();
    // The document changed.
    void scriptChanged();
    void titleChanged();
    void readingPositionChanged();
    void followStatusChanged();
    void resetGenerationChanged();
    // resetFollow ran: the speech follower starts its transcript over.
    void followResetRequested();

private:
    void load();
    void store(const QString &key, const QVariant &value);

    SettingsStore &m_settings;
    std::shared_ptr<const ScreenProvider> m_screens;

    double m_fontSize = defaultFontSize;
    double m_scrollSpeed = defaultScrollSpeed;
    bool m_isMirrored = true;
    TeleprompterScrollMode m_scrollMode = TeleprompterScrollMode::speech;
    TeleprompterTextPlacement m_textPlacement = TeleprompterTextPlacement::standard;
    bool m_showsSelfView = false;
    std::optional<QString> m_selectedScreenID;
    quint32 m_selectedDisplayID = 0;
    bool m_isScrolling = false;
    bool m_isPresented = false;
    ScriptDocumentPtr m_document = ScriptDocument::empty();
    QString m_title;
    qint64 m_cursor = 0;
    qint64 m_lookahead = 0;
    FollowState m_followState = FollowState::idle;
    FollowFailure m_followFailure;
    qint64 m_resetGeneration = 0;
    bool m_loaded = false; // persist() writes nothing while the settings load
};

} // namespace tandrel
