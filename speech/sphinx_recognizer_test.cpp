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

SphinxOptions optionsFor(const QString &script, SpeechBiasMode bias)
{
    SphinxOptions options;
    options.model = englishModel();
    options.script = script;
    options.bias = bias;
    return options;
}

struct Heard
{
    SpeechProblem loadError;
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
    callbacks.loaded = [&](const SpeechProblem &error) {
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
    auto recognizer = SphinxRecognizer::start(optionsFor(text, bias), stream, callbacks);
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
    Result<WavAudio, MediaFailure> audio = readWavFile(path);
    EXPECT_TRUE(audio.ok()) << qPrintable(audio.error().detail);
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

TEST(SphinxModel, ChoosesTheScriptsLanguageThenTheCurrentLocaleThenGermanThenEnglish)
{
    const auto model = [](const char *locale) {
        SphinxModel m;
        m.locale = QString::fromLatin1(locale);
        return m;
    };
    const SphinxModel de = model("de-DE"), en = model("en-US"), fr = model("fr-FR"), gb = model("en-GB"),
                      at = model("de-AT");
    const struct
    {
        QList<SphinxModel> installed;
        const char *current, *language;
        std::optional<SphinxModel> chosen;
    } cases[] = {
            // Without a known script language: the locale order.
            {{en}, "de_DE", "", en},
            {{en, de}, "de_DE", "", de},
            {{de, en}, "en_US", "", en},
            {{de, en}, "fr_FR", "", de},
            {{en, gb}, "en_GB", "", gb},
            {{fr, gb}, "de_AT", "", std::nullopt},
            {{fr}, "C", "", std::nullopt},
            {{}, "en_US", "", std::nullopt},
            // The script's language first, the current locale's variant of it before others.
            {{en, de}, "en_US", "de", de},
            {{de, fr}, "de_DE", "fr", fr},
            {{de, at}, "de_AT", "de", at},
            {{en, gb}, "de_DE", "en", en},
            // Nothing of that language: the locale order again.
            {{en, de}, "de_DE", "fr", de},
            {{en}, "de_DE", "de", en},
    };
    for (const auto &c : cases)
        EXPECT_EQ(chooseSphinxModel(c.installed, QString::fromLatin1(c.current),
                                    QString::fromLatin1(c.language)),
                  c.chosen)
                << c.current << " / " << c.language;
}

TEST(SpeechBias, CutsTheScriptIntoSentencesOfDictionaryWords)
{
    const QList<QStringList> sentences
            = scriptSentences("Hello, World! Don’t stop… Line one\nline two; E-Mail: 2024");
    const QList<QStringList> expected{{"hello", "world"}, {"don't", "stop"}, {"line", "one"},
                                      {"line", "two"},    {"e-mail"},        {"2024"}};
    EXPECT_EQ(sentences, expected);
}

TEST(SpeechBias, PronouncesWordsByTheScriptsLanguageInTheModelsPhonesAndOffersThatLanguagesFrequentWords)
{
    // A dictionary in another phone set than the English models' (as the
    // German CMU Sphinx model has): espeak-ng's phones would not fit it.
    QTemporaryDir other;
    SphinxModel foreignPhones = englishModel();
    foreignPhones.locale = QStringLiteral("de-DE");
    foreignPhones.languageModel.clear();
    foreignPhones.dictionary = other.filePath("voxforge.dic");
    tandrel::testing::writeFile(foreignPhones.dictionary, "welcome v E l k @ m\nback b E k\n");
    const QString german = QStringLiteral("Willkommen zurück bei Tandrel. Heute zeige ich euch die Kamera.");
    auto has = [](const QStringList &lines, const QString &start) {
        return std::any_of(lines.cbegin(), lines.cend(),
                           [&](const QString &l) { return l.startsWith(start); });
    };
    const struct
    {
        const char *name;
        SphinxModel model;
        QString script, language;
        SpeechBiasMode mode;
        QStringList unknown, lines, absent;
    } cases[] = {
            // English on the English model: the dictionary, espeak-ng's English
            // rules for what it lacks, the model's own frequent words.
            {"english",
             englishModel(),
             script,
             "en",
             SpeechBiasMode::ScriptNgram,
             {},
             {"tandrel T AE N D R AH L", "prompter P R AA M P T ER", "2024 T UW TH AW Z AH N D T W EH N T IY",
              "people "},
             {}},
            {"english alone",
             englishModel(),
             script,
             "",
             SpeechBiasMode::ScriptNgramAlone,
             {},
             {"tandrel "},
             {"people "}},
            // German on the English model: every word by German rules, "die"
            // too (not the English "D AY"), beside German frequent words.
            {"german",
             englishModel(),
             german,
             "de",
             SpeechBiasMode::ScriptNgram,
             {},
             {"die D IY", "zurück T S UW R UW K", "kamera K AA M EY R AA", "tandrel T AA N D R AH L", "und "},
             {"die D AY", "people "}},
            // A model in other phones keeps what its dictionary knows.
            {"foreign phones",
             foreignPhones,
             "Welcome back, Tandrel.",
             "en",
             SpeechBiasMode::ScriptNgram,
             {"tandrel"},
             {"welcome v E l k @ m"},
             {"tandrel "}},
    };
    for (const auto &c : cases) {
        QTemporaryDir dir;
        Result<SpeechBiasFiles, SpeechProblem> files
                = writeSpeechBias(c.model, c.script, c.mode, dir.path(), {}, c.language);
        ASSERT_TRUE(files.ok()) << c.name << ": " << int(files.error().kind);
        EXPECT_EQ(files->unknownWords, c.unknown) << c.name;
        const QStringList lines
                = QString::fromUtf8(tandrel::testing::readFile(files->dictionary)).split(QLatin1Char('\n'));
        for (const QString &line : c.lines)
            EXPECT_TRUE(has(lines, line)) << c.name << ": " << line.toStdString();
        for (const QString &line : c.absent)
            EXPECT_FALSE(has(lines, line)) << c.name << ": " << line.toStdString();
    }
}

TEST(SpeechBias, FallsBackToTheGeneralModelForAScriptWithoutWords)
{
    QTemporaryDir dir;
    const SphinxModel model = englishModel();
    Result<SpeechBiasFiles, SpeechProblem> files
            = writeSpeechBias(model, "— … !! „“", SpeechBiasMode::ScriptNgram, dir.path());
    ASSERT_TRUE(files.ok()) << int(files.error().kind);
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
        EXPECT_EQ(heard->loadError, SpeechProblem()) << qPrintable(heard->loadError.path);
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
    callbacks.loaded = [&](const SpeechProblem &) {
        std::lock_guard lock(mutex);
        loaded = true;
        wake.notify_all();
    };
    callbacks.finished = [&] { finished = true; };
    callbacks.threadEnded = [&] { ++ended; };
    auto stream = std::make_shared<SpeechInputStream>();
    auto recognizer
            = SphinxRecognizer::start(optionsFor(script, SpeechBiasMode::ChunkGrammar), stream, callbacks);
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
