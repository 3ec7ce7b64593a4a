#pragma once

#include "app/take_captioner.h"
#include "library/reel_project.h"
#include "platform/result.h"

#include <QObject>
#include <QString>
#include <functional>

namespace tandrel {

class AudioTapHost;
class CaptureController;
class LibraryStore;
class SpeechFollower;
class TeleprompterState;

// The application's recording policy in one place, for the windows and for
// `tandrelctl` alike: when the teleprompter opens and closes, when the speech
// follower starts and stops, and how a take reaches its reel. Needs no
// widgets: it is the only writer of the teleprompter state's "presented", and
// a presenter, where there are windows, shows and hides the teleprompter by
// observing that state.
//
// Rules it keeps on its own: the follower runs exactly while the teleprompter
// is presented in speech mode (switching to steady mode or closing the
// teleprompter stops it, switching back starts it); it reads the script the
// teleprompter shows and rewinds with it; a cleared reel selection closes the
// teleprompter.
//
// Main thread only, like the four long-lived objects it refers to; they must
// outlive it.
class RecordingSession : public QObject
{
    Q_OBJECT
public:
    using TakeCompletion = std::function<void(const Result<Take> &)>;

    RecordingSession(LibraryStore &library, CaptureController &capture, TeleprompterState &teleprompter,
                     SpeechFollower &follower, QObject *parent = nullptr);
    ~RecordingSession() override;

    // Where the follower listens: the capture controller's microphone unless
    // set otherwise (a file, where there is no microphone). Set it before
    // following starts; it must outlive the session.
    void setMicrophone(AudioTapHost &microphone) { m_microphone = &microphone; }

    // ---- teleprompter and following ------------------------------------------
    // Shows `script` under `title`, opening the teleprompter or bringing it to
    // the front, from the first word when `reset`. In speech mode the follower
    // starts, unless it already listens to the open teleprompter: then it
    // only takes the script.
    void presentTeleprompter(const QString &script, const QString &title, bool reset);
    // Closes the teleprompter; following stops with it.
    void dismissTeleprompter();
    // The edited reel while the teleprompter shows it: title and script.
    // Nothing while the teleprompter is closed.
    void updateShownReel(const QString &title, const QString &script);
    // While the follower follows, it starts anew: a model installed,
    // removed or being installed, or another script language, takes effect.
    void restartFollowing();

    // ---- what ends a teleprompter session ------------------------------------
    // Refused while a take runs; otherwise closes the teleprompter and lets
    // the library switch folders. The store's error comes back as well.
    Status changeLibraryFolder(const QString &folder);
    // Whether the folder may change now (not while a take runs).
    Status canChangeLibraryFolder() const;
    // The application goes: the teleprompter closes and following stops.
    void quit();

    // ---- takes -----------------------------------------------------------------
    // Starts a take into the reel's takes folder. When it settles, a take is
    // added to the reel through the library store; then `settled` gets the
    // take or the error text, and `takeSettled` is emitted.
    void recordTake(const ReelProject &reel, TakeCompletion settled = {});
    void stopRecording();
    bool isRecording() const;
    // A take has been started and has not settled yet.
    bool isTakePending() const { return m_pendingTakes > 0; }

    // Learns each recorded take's word times in the background.
    TakeCaptioner &captioner() { return m_captioner; }

signals:
    void takeSettled();
    // The teleprompter was presented again while it was already shown: its
    // window comes back to the front.
    void teleprompterRaised();

private:
    void bindFollower();
    void alignRecoveredTakes();
    void startFollowing();
    void stopFollowing();
    void scrollModeChanged();

    LibraryStore &m_library;
    CaptureController &m_capture;
    TeleprompterState &m_teleprompter;
    SpeechFollower &m_follower;
    AudioTapHost *m_microphone;
    TakeCaptioner m_captioner{m_library};
    int m_pendingTakes = 0;
};

} // namespace tandrel
