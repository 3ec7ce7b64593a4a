#include "cli/cli_context.h"

#include "speech/speech_follower.h"
#include "media/wav_tap_host.h"
#include "teleprompter/teleprompter_state.h"

#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include "platform/main_thread.h"
#include "platform/user_defaults.h"

namespace tandrel::cli {

// Plays a WAV file through the speech follower (audio sink, recogniser,
// teleprompter state with its aligner) and prints every result as the
// teleprompter receives it.
int runFollow(CliContext &ctx)
{
    bool missing = false;
    const std::optional<QString> scriptPath = ctx.takeOption(QStringLiteral("--script"), &missing);
    const std::optional<QString> audioPath = ctx.takeOption(QStringLiteral("--audio"), &missing);
    const bool fast = ctx.takeFlag(QStringLiteral("--fast"));
    if (missing || !scriptPath || !audioPath || !ctx.args.isEmpty())
        return ctx.usage();

    QFile scriptFile(*scriptPath);
    if (!scriptFile.open(QIODevice::ReadOnly))
        return ctx.fail(QStringLiteral("Skript %1 konnte nicht gelesen werden: %2")
                                .arg(*scriptPath, scriptFile.errorString()));
    const QString script = QString::fromUtf8(scriptFile.readAll());
    Result<WavAudio> audio = readWavFile(*audioPath);
    if (!audio)
        return ctx.fail(audio.error());

    // The teleprompter's settings are not this command's business: keep them
    // in a throw-away store.
    QTemporaryDir settingsDir;
    UserDefaults defaults(settingsDir.filePath(QStringLiteral("settings.ini")));
    TeleprompterState state(defaults);
    SpeechFollower follower;
    WavTapHost microphone(*audio, !fast);
    // The whole file is in the sink: finishing the input stream lets the
    // recogniser decode what is queued and end the run by itself.
    microphone.setOnFinished([&follower] { runOnMain(&follower, [&follower] { follower.sink().reset(); }); });

    QEventLoop loop;
    QObject::connect(&follower, &SpeechFollower::resultHandled, &follower,
                     [&](double time, const QString &transcript, bool isFinal) {
                         const qint64 cursor = state.aligner().cursor();
                         const qint64 lookahead = state.aligner().lookahead();
                         if (ctx.json) {
                             // Keys in the documented order (QJsonObject would sort them).
                             const QByteArray text
                                     = QJsonDocument(QJsonArray{transcript}).toJson(QJsonDocument::Compact);
                             ctx.out << "{\"t\": " << QString::number(time, 'g', 10)
                                     << ", \"final\": " << (isFinal ? "true" : "false")
                                     << ", \"cursor\": " << cursor << ", \"lookahead\": " << lookahead
                                     << ", \"transcript\": "
                                     << QString::fromUtf8(text.mid(1, text.size() - 2)) << "}\n";
                         } else {
                             ctx.out << QString::number(time, 'f', 2) << ' '
                                     << (isFinal ? QStringLiteral("final") : QStringLiteral("pending")) << ' '
                                     << cursor << ' ' << lookahead << ' ' << transcript << '\n';
                         }
                         ctx.out.flush();
                     });
    QObject::connect(&follower, &SpeechFollower::runEnded, &loop, &QEventLoop::quit);
    // A run that ends without listening has put its reason into the status.
    QObject::connect(&follower, &SpeechFollower::statusMessageChanged, &loop, [&] {
        const QString status = follower.statusMessage();
        if (!status.isEmpty() && !SpeechFollower::isTransientStatus(status))
            loop.quit();
    });
    follower.start(script, microphone, state);
    loop.exec();

    const QString status = follower.statusMessage();
    const bool failed = !status.isEmpty() && !SpeechFollower::isTransientStatus(status);
    follower.stop(microphone);
    if (failed)
        return ctx.fail(status);
    return 0;
}

} // namespace tandrel::cli
