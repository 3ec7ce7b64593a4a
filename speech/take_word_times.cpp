#include "speech/take_word_times.h"

#include "media/media_file.h"
#include "speech/script_language.h"
#include "speech/sphinx_model.h"

#include <QLocale>

namespace tandrel {

Result<WordAlignment> alignTakeAudio(const QString &audioPath, const QString &script, const QString &language,
                                     const std::atomic<bool> *cancelled,
                                     const std::function<void(double)> &progress)
{
    using R = Result<WordAlignment>;
    const QString preferredLocale = QLocale::system().name();
    QString scriptLanguage = language.isEmpty() ? detectScriptLanguage(script) : language;
    if (scriptLanguage.isEmpty())
        scriptLanguage = languageOf(preferredLocale);
    const std::optional<SphinxModel> model
            = chooseSphinxModel(installedSphinxModels(sphinxModelRoots()), preferredLocale, scriptLanguage);
    if (!model)
        return R::failure(QStringLiteral("Keine lokale Spracherkennung für diese Sprache."));
    if (sphinxInstallRunning(*model))
        return R::failure(QStringLiteral("Das Sprachmodell wird gerade installiert."));
    const Result<WavAudio> audio = monoAudioOfFile(audioPath, 16000);
    if (!audio)
        return R::failure(audio.error());
    return alignScriptWords(*audio, script, *model, scriptLanguage, cancelled, progress);
}

} // namespace tandrel
