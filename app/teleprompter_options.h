#pragma once

#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;
class QStackedWidget;

namespace tandrel {

class SpeechFollower;
class TeleprompterState;

// The teleprompter's options in the record workspace: display, scroll mode,
// speed, placement, font size, mirroring and the video behind the text. Every
// control writes the teleprompter state directly and follows it when it
// changes elsewhere (the teleprompter's own keys change the font size).
class TeleprompterOptions : public QWidget
{
    Q_OBJECT
public:
    TeleprompterOptions(TeleprompterState &state, SpeechFollower &follower, QWidget *parent = nullptr);

    QComboBox *screenPicker() const { return m_screen; }
    QButtonGroup *modeGroup() const { return m_mode; }
    QButtonGroup *placementGroup() const { return m_placement; }
    QSlider *speedSlider() const { return m_speed; }
    QSlider *fontSlider() const { return m_font; }
    QCheckBox *mirrorToggle() const { return m_mirror; }
    QCheckBox *selfViewToggle() const { return m_selfView; }
    QLabel *followStatusLabel() const { return m_followStatus; }
    QLabel *lastHeardLabel() const { return m_lastHeard; }

private:
    QWidget *buildSpeechPage();
    QWidget *buildSteadyPage();
    void rebuildScreens();
    void syncFromState();
    void syncFollower();
    void chooseScreen(int index);

    TeleprompterState &m_state;
    SpeechFollower &m_follower;
    QComboBox *m_screen = nullptr;
    QButtonGroup *m_mode = nullptr;
    QStackedWidget *m_modePages = nullptr;
    QLabel *m_followStatus = nullptr;
    QLabel *m_lastHeard = nullptr;
    QSlider *m_speed = nullptr;
    QButtonGroup *m_placement = nullptr;
    QSlider *m_font = nullptr;
    QCheckBox *m_mirror = nullptr;
    QCheckBox *m_selfView = nullptr;
    bool m_syncing = false;
};

} // namespace tandrel
