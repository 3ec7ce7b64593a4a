#include "app/recording_session.h"

#include "app/capture_text.h"
#include "app/library_error_text.h"
#include "capture/capture_controller.h"
#include "library/library_store.h"
#include "speech/speech_follower.h"
#include "teleprompter/teleprompter_state.h"

#include <QPointer>

namespace tandrel {

RecordingSession::RecordingSession(LibraryStore &library, CaptureController &capture,
                                   TeleprompterState &teleprompter, SpeechFollower &follower, QObject *parent)
    : QObject(parent), m_library(library), m_capture(capture), m_teleprompter(teleprompter),
      m_follower(follower), m_microphone(&capture)
{
    bindFollower();
    connect(&teleprompter, &TeleprompterState::isPresentedChanged, this, [this] {
        if (!m_teleprompter.isPresented())
            stopFollowing();
    });
    connect(&teleprompter, &TeleprompterState::scrollModeChanged, this, &RecordingSession::scrollModeChanged);
    // Without a reel there is nothing to read from.
    connect(&library, &LibraryStore::selectedIDChanged, this, [this] {
        if (!m_library.selectedID() && m_teleprompter.isPresented())
            dismissTeleprompter();
    });
    // Takes a killed recording left learn their words like any other; those
    // adopted before this session existed too.
    connect(&library, &LibraryStore::takesRecovered, this, &RecordingSession::alignRecoveredTakes);
    alignRecoveredTakes();
}

void RecordingSession::alignRecoveredTakes()
{
    for (const auto &[reelID, takeID] : m_library.recoveredTakes()) {
        const std::optional<ReelProject> reel = m_library.reel(reelID);
        if (!reel)
            continue;
        for (const Take &take : reel->takes) {
            // Against the reel's script as it is now: what the take was read
            // from went down with the recording.
            if (take.id == takeID && !take.words)
                m_captioner.align(*reel, take, reel->script);
        }
    }
}

RecordingSession::~RecordingSession() = default;

// The teleprompter shows where the follower has got to and how it fares; the
// follower reads the document the teleprompter shows and rewinds with it.
void RecordingSession::bindFollower()
{
    SpeechFollower *follower = &m_follower;
    TeleprompterState *state = &m_teleprompter;
    auto position
            = [follower, state] { state->setReadingPosition(follower->cursor(), follower->lookahead()); };
    connect(follower, &SpeechFollower::cursorChanged, this, position);
    connect(follower, &SpeechFollower::lookaheadChanged, this, position);
    auto status = [follower, state] { state->setFollowStatus(follower->state(), follower->failure()); };
    connect(follower, &SpeechFollower::stateChanged, this, status);
    connect(follower, &SpeechFollower::failureChanged, this, status);
    connect(state, &TeleprompterState::scriptChanged, this,
            [follower, state] { follower->loadScript(state->document()); });
    connect(state, &TeleprompterState::followResetRequested, this, [follower] { follower->rewind(); });
    follower->loadScript(state->document());
    position();
    status();
}

void RecordingSession::presentTeleprompter(const QString &script, const QString &title, bool reset)
{
    const bool wasPresented = m_teleprompter.isPresented();
    const bool wasListening = m_follower.isListening();
    m_teleprompter.setTitle(title);
    m_teleprompter.loadScript(script);
    m_teleprompter.setIsScrolling(true);
    m_teleprompter.setIsPresented(true); // the presenter opens its window
    if (wasPresented)
        emit teleprompterRaised();
    if (reset)
        m_teleprompter.resetFollow();
    if (m_teleprompter.scrollMode() != TeleprompterScrollMode::speech)
        return;
    // A follower listening to the open teleprompter has the script already
    // (it reads what the teleprompter shows); a new run would lose its model.
    if (!(wasPresented && wasListening))
        startFollowing();
}

void RecordingSession::dismissTeleprompter()
{
    m_teleprompter.setIsScrolling(false);
    m_teleprompter.setIsPresented(false); // the presenter closes its window
    stopFollowing();
}

void RecordingSession::updateShownReel(const QString &title, const QString &script)
{
    if (!m_teleprompter.isPresented())
        return;
    m_teleprompter.setTitle(title);
    m_teleprompter.loadScript(script);
}

void RecordingSession::scrollModeChanged()
{
    if (!m_teleprompter.isPresented())
        return;
    if (m_teleprompter.scrollMode() == TeleprompterScrollMode::speech)
        startFollowing();
    else
        stopFollowing();
}

void RecordingSession::restartFollowing()
{
    if (m_teleprompter.isPresented() && m_teleprompter.scrollMode() == TeleprompterScrollMode::speech)
        startFollowing();
}

void RecordingSession::startFollowing()
{
    m_follower.start(m_teleprompter.document(), *m_microphone);
}

void RecordingSession::stopFollowing()
{
    m_follower.stop(*m_microphone);
}

Status RecordingSession::canChangeLibraryFolder() const
{
    if (m_capture.isRecording())
        return Status::failure(tr("Während der Aufnahme kann der Bibliothekspfad nicht geändert werden."));
    return {};
}

Status RecordingSession::changeLibraryFolder(const QString &folder)
{
    if (const Status allowed = canChangeLibraryFolder(); !allowed)
        return allowed;
    // The teleprompter shows a reel of the folder being left.
    if (m_teleprompter.isPresented())
        dismissTeleprompter();
    if (const LibraryStatus changed = m_library.changeRoot(folder); !changed)
        return Status::failure(libraryErrorText(changed.error()));
    return {};
}

void RecordingSession::quit()
{
    dismissTeleprompter();
}

void RecordingSession::recordTake(const ReelProject &reel, TakeCompletion settled)
{
    m_library.ensureFolders(reel);
    const QUuid reelID = reel.id;
    QPointer<RecordingSession> self(this);
    ++m_pendingTakes;
    m_capture.startRecording(
            m_library.takesFolder(reel),
            [self, reel, reelID, settled = std::move(settled)](const Result<Take, CaptureNotice> &result) {
                if (!self)
                    return;
                Result<Take> outcome = result.ok() ? Result<Take>(result.value())
                                                   : Result<Take>::failure(captureNoticeText(result.error()));
                if (result.ok()) {
                    // Its files stay and are taken in again at the next start.
                    const LibraryOutcome<> added = self->m_library.addTake(result.value(), reelID);
                    if (!added)
                        outcome = Result<Take>::failure(libraryErrorText(added.error()));
                    else
                        // Against the script the take was read from.
                        self->m_captioner.align(reel, result.value(), reel.script);
                }
                --self->m_pendingTakes;
                if (settled)
                    settled(outcome);
                emit self->takeSettled();
            });
}

void RecordingSession::stopRecording()
{
    m_capture.stopRecording();
}

bool RecordingSession::isRecording() const
{
    return m_capture.isRecording();
}

} // namespace tandrel
