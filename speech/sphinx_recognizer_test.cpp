#include "media/wav_file.h"
#include "speech/espeak_wav.h"
#include "speech/speech_audio_sink.h"
#include "speech/sphinx_recognizer.h"
#include "tests/support/test_files.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

using namespace tandrel;

namespace {

const QString script = QStringLiteral(
        "Welcome back to Tandrel. Today I show you how to record a short video in one take. "
        "First we check the light, then we read the script from the prompter. The e-mail address "
        "for questions is on screen until 2024 ends.");

SphinxModel englishModel()
{
    return *chooseSphinxModel(installedSphinxModels(sphinxModelRoots()), "en_US");
}

struct Heard
{
    QString loadError;
    QList<std::pair<QString, bool>> results;
    bool finished = false;

    QString finalText() const
    {
        QStringList parts;
        for (const auto &[text, isFinal] : results) {
            if (isFinal && !text.isEmpty())
                parts << text;
        }
        return parts.join(QLatin1Char(' '));
    }
};

// Plays `audio` through a sink into a recogniser for `text` and waits until
// the recogniser has decoded everything. `cancelAfterLoading` cancels the
// recogniser before any audio goes in.
Heard recognise(const WavAudio &audio, const QString &text, SpeechBiasMode bias,
                bool cancelAfterLoading = false)
{
    std::mutex mutex;
    std::condition_variable wake;
    Heard heard;
    bool loaded = false;
    SphinxCallbacks callbacks;
    callbacks.loaded = [&](const QString &error) {
        std::lock_guard lock(mutex);
        heard.loadError = error;
        loaded = true;
        wake.notify_all();
    };
    callbacks.result = [&](const QString &t, bool isFinal, double) {
        std::lock_guard lock(mutex);
        heard.results.append({t, isFinal});
    };
    callbacks.finished = [&] {
        std::lock_guard lock(mutex);
        heard.finished = true;
        wake.notify_all();
    };
    auto stream = std::make_shared<SpeechInputStream>();
    auto recognizer = SphinxRecognizer::start({englishModel(), text, bias}, stream, callbacks);
    {
        std::unique_lock lock(mutex);
        wake.wait(lock, [&] { return loaded; });
    }
    if (cancelAfterLoading)
        recognizer->cancel();
    SpeechAudioSink sink;
    sink.prepareAnalyzer(SphinxRecognizer::inputFormat(), stream);
    const qint64 step = audio.format.sampleRate / 50;
    for (qint64 first = 0; first < audio.frames; first += step)
        sink.append(audio.slice(first, step));
    sink.reset();
    if (cancelAfterLoading) {
        // Joins the thread: whatever it would still have reported has come.
        recognizer.reset();
        return heard;
    }
    std::unique_lock lock(mutex);
    wake.wait(lock, [&] { return heard.finished; });
    return heard;
}

WavAudio speak(const QString &text, const QTemporaryDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    EXPECT_TRUE(tandrel::testing::speakToWav(text, path));
    Result<WavAudio> audio = readWavFile(path);
    EXPECT_TRUE(audio.ok()) << qPrintable(audio.error());
    return audio.ok() ? *audio : WavAudio{};
}

// Share of the script's known words found, in order, in the heard text.
double orderedShare(const QString &reference, const QString &heard)
{
    QStringList ref, got;
    for (const QStringList &s : scriptSentences(reference))
        ref += s;
    for (const QStringList &s : scriptSentences(heard))
        got += s;
    int found = 0, at = 0;
    for (const QString &w : ref) {
        for (int j = at; j < got.size() && j < at + 6; ++j) {
            if (got[j] == w) {
                ++found;
                at = j + 1;
                break;
            }
        }
    }
    return ref.isEmpty() ? 0 : double(found) / ref.size();
}

} // namespace

TEST(SphinxModel, ChoosesTheCurrentLocaleThenGermanThenEnglishAndNothingElse)
{
    const SphinxModel de{"de-DE"}, en{"en-US"}, fr{"fr-FR"}, gb{"en-GB"};
    const struct
    {
        QList<SphinxModel> installed;
        const char *current;
        std::optional<SphinxModel> chosen;
    } cases[] = {
            {{en}, "de_DE", en},       {{en, de}, "de_DE", de},     {{de, en}, "en_US", en},
            {{de, en}, "fr_FR", de},   {{en, gb}, "en_GB", gb},     {{fr, gb}, "de_AT", std::nullopt},
            {{fr}, "C", std::nullopt}, {{}, "en_US", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(chooseSphinxModel(c.installed, QString::fromLatin1(c.current)), c.chosen) << c.current;
}

TEST(SpeechBias, CutsTheScriptIntoSentencesOfDictionaryWords)
{
    const QList<QStringList> sentences
            = scriptSentences("Hello, World! Don’t stop… Line one\nline two; E-Mail: 2024");
    const QList<QStringList> expected{{"hello", "world"}, {"don't", "stop"}, {"line", "one"},
                                      {"line", "two"},    {"e-mail"},        {"2024"}};
    EXPECT_EQ(sentences, expected);
}

TEST(SpeechBias,
     PronouncesMissingWordsWithEspeakOnlyForTheModelsPhoneSetAndOffersFrequentWordsBesideTheScript)
{
    // English files under a German name: espeak-ng's English phones would
    // not fit a German model, so what its dictionary lacks stays out.
    SphinxModel german = englishModel();
    german.locale = QStringLiteral("de-DE");
    const struct
    {
        SphinxModel model;
        SpeechBiasMode mode;
        QStringList unknown;
        bool background;
    } cases[] = {
            {englishModel(), SpeechBiasMode::ScriptNgram, {}, true},
            {german, SpeechBiasMode::ScriptNgram, {"tandrel", "prompter", "2024"}, true},
            {englishModel(), SpeechBiasMode::ScriptNgramAlone, {}, false},
    };
    for (const auto &c : cases) {
        QTemporaryDir dir;
        Result<SpeechBiasFiles> files = writeSpeechBias(c.model, script, c.mode, dir.path());
        ASSERT_TRUE(files.ok()) << qPrintable(files.error());
        EXPECT_EQ(files->unknownWords.join(QLatin1Char(' ')), c.unknown.join(QLatin1Char(' ')))
                << qPrintable(c.model.locale);
        const QStringList lines
                = QString::fromUtf8(tandrel::testing::readFile(files->dictionary)).split(QLatin1Char('\n'));
        // espeak-ng's pronunciations of what the dictionary lacks.
        EXPECT_EQ(lines.contains("tandrel T AE N D R AH L"), c.unknown.isEmpty());
        EXPECT_EQ(lines.contains("prompter P R AA M P T ER"), c.unknown.isEmpty());
        EXPECT_EQ(std::any_of(lines.cbegin(), lines.cend(),
                              [](const QString &l) {
                                  return l.startsWith("2024 T UW TH AW Z AH N D T W EH N T IY");
                              }),
                  c.unknown.isEmpty());
        // "people" is among the English model's most frequent words, not a script word.
        EXPECT_EQ(std::any_of(lines.cbegin(), lines.cend(),
                              [](const QString &l) { return l.startsWith("people "); }),
                  c.background);
    }
}

TEST(SpeechBias, FallsBackToTheGeneralModelForAScriptWithoutWords)
{
    QTemporaryDir dir;
    const SphinxModel model = englishModel();
    Result<SpeechBiasFiles> files
            = writeSpeechBias(model, "— … !! „“", SpeechBiasMode::ScriptNgram, dir.path());
    ASSERT_TRUE(files.ok()) << qPrintable(files.error());
    EXPECT_EQ(files->languageModel, model.languageModel);
    EXPECT_EQ(files->dictionary, model.dictionary);
}

TEST(SphinxRecognizer, HearsTheScriptFarBetterWithTheScriptModelThanWithTheGeneralOne)
{
    QTemporaryDir dir;
    const WavAudio audio = speak(script, dir, "script.wav");
    const Heard biased = recognise(audio, script, SpeechBiasMode::ScriptNgram);
    const Heard general = recognise(audio, script, SpeechBiasMode::GeneralModel);
    for (const Heard *heard : {&biased, &general}) {
        EXPECT_TRUE(heard->loadError.isEmpty()) << qPrintable(heard->loadError);
        EXPECT_FALSE(heard->finalText().contains("NULL"));
        EXPECT_FALSE(heard->finalText().contains(QLatin1Char('<'))) << "fillers such as <sil> stay out";
    }
    const double biasedShare = orderedShare(script, biased.finalText());
    EXPECT_GE(biasedShare, 0.6) << qPrintable(biased.finalText());
    EXPECT_GT(biasedShare, orderedShare(script, general.finalText()) + 0.3)
            << qPrintable(general.finalText());
}

TEST(SphinxRecognizer, SendsPendingTextBeforeEachUtteranceEndsAndAFinalAtEveryPause)
{
    QTemporaryDir dir;
    WavAudio first = speak("First we check the light.", dir, "a.wav");
    const WavAudio second = speak("Then we read the script.", dir, "b.wav");
    ASSERT_EQ(first.format, second.format);
    // A second and a half of silence between the sentences; none after the
    // last, whose final must come from the end of the stream.
    first.data += QByteArray(qsizetype(first.format.sampleRate * 1.5) * first.format.bytesPerFrame(), 0);
    first.data += second.data;
    first.frames = first.data.size() / first.format.bytesPerFrame();

    const Heard heard = recognise(first, script, SpeechBiasMode::ScriptNgram);
    QStringList finals;
    int pendingBeforeFirstFinal = 0;
    for (const auto &[text, isFinal] : heard.results) {
        if (isFinal)
            finals << text;
        else if (finals.isEmpty())
            ++pendingBeforeFirstFinal;
    }
    ASSERT_EQ(finals.size(), 2) << qPrintable(finals.join(" | "));
    EXPECT_GT(pendingBeforeFirstFinal, 0);
    // The very first words of a stream are heard poorly while the decoder
    // adapts to the voice; the second utterance must be right.
    EXPECT_GE(orderedShare("Then we read the script", finals[1]), 0.8) << qPrintable(finals[1]);
}

TEST(SphinxRecognizer, ReportsNothingOnceCancelled)
{
    QTemporaryDir dir;
    const WavAudio audio = speak("First we check the light.", dir, "a.wav");
    const Heard live = recognise(audio, script, SpeechBiasMode::ChunkGrammar);
    EXPECT_FALSE(live.results.isEmpty());
    const Heard cancelled = recognise(audio, script, SpeechBiasMode::ChunkGrammar, true);
    EXPECT_TRUE(cancelled.results.isEmpty());
    EXPECT_FALSE(cancelled.finished);
}

TEST(SphinxRecognizer, DestroyingItWhileItWaitsForAudioEndsItsThreadWithoutReporting)
{
    std::mutex mutex;
    std::condition_variable wake;
    bool loaded = false;
    std::atomic<int> ended{0};
    std::atomic<bool> finished{false};
    SphinxCallbacks callbacks;
    callbacks.loaded = [&](const QString &) {
        std::lock_guard lock(mutex);
        loaded = true;
        wake.notify_all();
    };
    callbacks.finished = [&] { finished = true; };
    callbacks.threadEnded = [&] { ++ended; };
    auto stream = std::make_shared<SpeechInputStream>();
    auto recognizer = SphinxRecognizer::start({englishModel(), script, SpeechBiasMode::ChunkGrammar}, stream,
                                              callbacks);
    {
        std::unique_lock lock(mutex);
        wake.wait(lock, [&] { return loaded; });
    }
    EXPECT_FALSE(recognizer->isLoading());
    // The stream is still open: only the cancel can wake the waiting thread,
    // and the destructor returns only once the thread has ended.
    recognizer.reset();
    EXPECT_EQ(ended.load(), 1);
    EXPECT_FALSE(finished.load());
    EXPECT_TRUE(stream->isFinished());
}
