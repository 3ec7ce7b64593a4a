#include "app/media_failure_text.h"
#include "cli/cli_context.h"

#include "app/follow_status_text.h"
#include "media/wav_tap_host.h"
#include "platform/main_thread.h"
#include "speech/script_language.h"
#include "speech/speech_follower.h"
#include "speech/sphinx_model_install.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace tandrel::cli {

// Plays a WAV file through the speech follower (audio sink, recogniser,
// aligner) and prints every result with the reading position it gave.
int runFollow(CliContext &ctx)
{
    const std::optional<QString> scriptPath = ctx.option(QStringLiteral("--script"));
    const std::optional<QString> audioPath = ctx.option(QStringLiteral("--audio"));
    const std::optional<QString> locale = ctx.option(QStringLiteral("--locale"));
    const bool fast = ctx.flag(QStringLiteral("--fast"));
    if (!scriptPath || !audioPath || !ctx.args.isEmpty())
        return ctx.usage();
    if (locale && !isLocaleName(*locale))
        return ctx.fail(QCoreApplication::translate("tandrelctl", "„%1“ ist keine Sprache (etwa de-DE).")
                                .arg(*locale));

    QFile scriptFile(*scriptPath);
    if (!scriptFile.open(QIODevice::ReadOnly))
        return ctx.fail(QCoreApplication::translate("tandrelctl", "Skript %1 konnte nicht gelesen werden: %2")
                                .arg(*scriptPath, scriptFile.errorString()));
    const QString script = QString::fromUtf8(scriptFile.readAll());
    Result<WavAudio, MediaFailure> audio = readWavFile(*audioPath);
    if (!audio)
        return ctx.fail(mediaFailureText(audio.error()));

    SpeechFollower follower;
    // A forced locale is the script's language and leads the model choice.
    if (locale) {
        follower.setFixedScriptLanguage(languageOf(*locale));
        follower.setPreferredLocale(*locale);
    }
    WavTapHost microphone(*audio, !fast);
    // The whole file is in the sink: finishing the input stream lets the
    // recogniser decode what is queued and end the run by itself.
    microphone.setOnFinished([&follower] { runOnMain(&follower, [&follower] { follower.sink().reset(); }); });

    QEventLoop loop;
    QObject::connect(&follower, &SpeechFollower::resultHandled, &follower,
                     [&](double time, const QString &transcript, bool isFinal) {
                         const qint64 cursor = follower.cursor();
                         const qint64 lookahead = follower.lookahead();
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
    QObject::connect(&follower, &SpeechFollower::stateChanged, &loop, [&] {
        if (follower.state() == FollowState::failed)
            loop.quit();
    });
    follower.start(script, microphone);
    loop.exec();

    const bool failed = follower.state() == FollowState::failed;
    const QString error = followFailureText(follower.failure());
    follower.stop(microphone);
    if (failed)
        return ctx.fail(error);
    return 0;
}

} // namespace tandrel::cli
