#include "speech/take_word_times.h"

#include "media/media_file.h"
#include "speech/script_language.h"
#include "speech/sphinx_model.h"

#include <QLocale>

namespace tandrel {

Result<WordAlignment, SpeechProblem> alignTakeAudio(const QString &audioPath, const QString &script,
                                                    const QString &language,
                                                    const std::atomic<bool> *cancelled,
                                                    const std::function<void(double)> &progress)
{
    using R = Result<WordAlignment, SpeechProblem>;
    const QString preferredLocale = QLocale::system().name();
    QString scriptLanguage = language.isEmpty() ? detectScriptLanguage(script) : language;
    if (scriptLanguage.isEmpty())
        scriptLanguage = languageOf(preferredLocale);
    const std::optional<SphinxModel> model
            = chooseSphinxModel(installedSphinxModels(sphinxModelRoots()), preferredLocale, scriptLanguage);
    if (!model)
        return R::failure({.kind = SpeechProblem::Kind::noRecognizer});
    if (sphinxInstallRunning(*model))
        return R::failure({.kind = SpeechProblem::Kind::modelInstalling});
    const Result<WavAudio, MediaFailure> audio = monoAudioOfFile(audioPath, 16000);
    if (!audio)
        return R::failure({.kind = SpeechProblem::Kind::audioUnreadable, .audio = audio.error()});
    return alignScriptWords(*audio, script, *model, scriptLanguage, cancelled, progress);
}

} // namespace tandrel
