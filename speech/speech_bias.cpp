#include "speech/speech_bias.h"

#include "platform/atomic_file.h"
#include "speech/espeak_pronouncer.h"
#include "speech/language_words.h"
#include "speech/script_language.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTextStream>

#include <sphinxbase/err.h>
#include <sphinxbase/logmath.h>
#include <sphinxbase/ngram_model.h>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace tandrel {

namespace {

constexpr double Discount = 0.5;

QString headword(const QString &line)
{
    QString word = line.section(QLatin1Char(' '), 0, 0);
    int paren = word.indexOf(QLatin1Char('('));
    return paren > 0 ? word.left(paren) : word;
}

QString log10Text(double p)
{
    return QString::number(p > 0 ? std::log10(p) : -99.0, 'f', 6);
}

using Gram = QStringList;

} // namespace

QList<QStringList> scriptSentences(const QString &script)
{
    static const QRegularExpression word(QStringLiteral("[0-9\\p{L}]+(?:['’\\-][0-9\\p{L}]+)*"));
    static const QRegularExpression breaks(QStringLiteral("[.!?…;:\\n]+"));
    QList<QStringList> sentences;
    for (const QString &piece : script.split(breaks, Qt::SkipEmptyParts)) {
        QStringList words;
        auto it = word.globalMatch(piece);
        while (it.hasNext()) {
            QString w = it.next().captured().toLower();
            w.replace(QChar(0x2019), QLatin1Char('\''));
            words.append(w);
        }
        if (!words.isEmpty())
            sentences.append(words);
    }
    return sentences;
}

QString scriptArpaModel(const QList<QStringList> &sentences, const QStringList &background,
                        double backgroundShare)
{
    QMap<Gram, int> counts[3]; // n-gram counts by order - 1
    QMap<Gram, int> contextTotals[2];
    QMap<Gram, int> contextTypes[2];
    for (const QStringList &sentence : sentences) {
        Gram padded = Gram{QStringLiteral("<s>")} + sentence + Gram{QStringLiteral("</s>")};
        for (int i = 0; i < padded.size(); ++i) {
            for (int n = 1; n <= 3 && i + n <= padded.size(); ++n) {
                Gram g = padded.mid(i, n);
                if (n == 1 && g.first() == QStringLiteral("<s>"))
                    continue;
                if (counts[n - 1][g]++ == 0 && n > 1)
                    ++contextTypes[n - 2][g.mid(0, n - 1)];
                if (n > 1)
                    ++contextTotals[n - 2][g.mid(0, n - 1)];
            }
        }
    }
    // Unigrams: add-half smoothed, so every script word stays reachable.
    double total = 0;
    for (int c : std::as_const(counts[0]))
        total += c + 0.5;
    QMap<Gram, double> prob[3];
    QStringList others;
    for (const QString &w : background) {
        if (!counts[0].contains(Gram{w}) && w != QStringLiteral("<s>") && w != QStringLiteral("</s>"))
            others.append(w);
    }
    const double scriptShare = others.isEmpty() ? 1.0 : 1.0 - backgroundShare;
    for (auto it = counts[0].cbegin(); it != counts[0].cend(); ++it)
        prob[0][it.key()] = scriptShare * (it.value() + 0.5) / total;
    for (const QString &w : std::as_const(others))
        prob[0][Gram{w}] = (1.0 - scriptShare) / others.size();

    auto lowerProb = [&](int order, const Gram &g, const QMap<Gram, double> *bows) -> double {
        // P(g.last | g without first word) in the model of order `order`.
        double backoff = 1;
        for (int n = order; n >= 1; --n) {
            Gram tail = g.mid(g.size() - n);
            auto p = prob[n - 1].constFind(tail);
            if (p != prob[n - 1].cend())
                return backoff * p.value();
            if (n > 1)
                backoff *= bows[n - 2].value(tail.mid(0, n - 1), 1.0);
        }
        return 0;
    };

    QMap<Gram, double> bows[2];
    for (int n = 2; n <= 3; ++n) {
        QMap<Gram, double> seenLower;
        for (auto it = counts[n - 1].cbegin(); it != counts[n - 1].cend(); ++it) {
            Gram context = it.key().mid(0, n - 1);
            prob[n - 1][it.key()] = (it.value() - Discount) / contextTotals[n - 2][context];
            seenLower[context] += lowerProb(n - 1, it.key(), bows);
        }
        for (auto it = contextTotals[n - 2].cbegin(); it != contextTotals[n - 2].cend(); ++it) {
            double freed = Discount * contextTypes[n - 2][it.key()] / it.value();
            double rest = 1.0 - seenLower.value(it.key());
            bows[n - 2][it.key()] = rest > 1e-9 ? freed / rest : 1.0;
        }
    }

    QString text;
    QTextStream out(&text);
    out << "\\data\\\n";
    out << "ngram 1=" << prob[0].size() + 1 << "\n";
    out << "ngram 2=" << counts[1].size() << "\n";
    out << "ngram 3=" << counts[2].size() << "\n\n";
    out << "\\1-grams:\n";
    out << "-99.000000 <s> " << log10Text(bows[0].value({QStringLiteral("<s>")}, 1.0)) << "\n";
    for (auto it = prob[0].cbegin(); it != prob[0].cend(); ++it) {
        out << log10Text(it.value()) << ' ' << it.key().first();
        if (bows[0].contains(it.key()))
            out << ' ' << log10Text(bows[0][it.key()]);
        out << '\n';
    }
    for (int n = 2; n <= 3; ++n) {
        out << "\n\\" << n << "-grams:\n";
        for (auto it = prob[n - 1].cbegin(); it != prob[n - 1].cend(); ++it) {
            out << log10Text(it.value()) << ' ' << it.key().join(QLatin1Char(' '));
            if (n == 2 && bows[1].contains(it.key()))
                out << ' ' << log10Text(bows[1][it.key()]);
            out << '\n';
        }
    }
    out << "\n\\end\\\n";
    out.flush();
    return text;
}

QString scriptChunkGrammar(const QList<QStringList> &sentences, int size, int step)
{
    QSet<QString> seen;
    QStringList chunks;
    for (const QStringList &sentence : sentences) {
        for (int i = 0; i < sentence.size(); i += step) {
            QString chunk = sentence.mid(i, size).join(QLatin1Char(' '));
            if (!seen.contains(chunk)) {
                seen.insert(chunk);
                chunks.append(QStringLiteral("( ") + chunk + QStringLiteral(" )"));
            }
            if (i + size >= sentence.size())
                break;
        }
    }
    if (chunks.isEmpty())
        return {};
    return QStringLiteral("#JSGF V1.0;\ngrammar script;\n<piece> = ") + chunks.join(QStringLiteral("\n  | "))
            + QStringLiteral(";\npublic <script> = <piece>+;\n");
}

namespace {

QStringList wordsByUnigram(const QString &languageModel)
{
    // The library logs to stderr unless told otherwise; the decoders this
    // process starts log nowhere either (-logfn /dev/null).
    err_set_logfp(nullptr);
    logmath_t *logmath = logmath_init(1.0001, 0, 0);
    ngram_model_t *lm = ngram_model_read(nullptr, languageModel.toUtf8().constData(), NGRAM_AUTO, logmath);
    QList<std::pair<int, QString>> scored;
    if (lm) {
        const uint32 size = ngram_model_get_counts(lm)[0];
        for (uint32 wid = 0; wid < size; ++wid) {
            const char *word = ngram_word(lm, int32(wid));
            if (word && word[0] != '<')
                scored.append({ngram_score(lm, word, nullptr), QString::fromUtf8(word)});
        }
        ngram_model_free(lm);
    }
    logmath_free(logmath);
    std::stable_sort(scored.begin(), scored.end(),
                     [](const auto &a, const auto &b) { return a.first > b.first; });
    QStringList words;
    for (const auto &entry : std::as_const(scored))
        words.append(entry.second);
    return words;
}

QStringList wordsByLength(const QString &dictionaryPath)
{
    QFile file(dictionaryPath);
    QStringList words;
    if (!file.open(QIODevice::ReadOnly))
        return words;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (!line.isEmpty() && !line.section(QLatin1Char(' '), 0, 0).contains(QLatin1Char('(')))
            words.append(headword(line));
    }
    std::stable_sort(words.begin(), words.end(),
                     [](const QString &a, const QString &b) { return a.size() < b.size(); });
    return words;
}

} // namespace

QStringList frequentWords(const SphinxModel &model, int count)
{
    // Reading a general language model takes about a second; every run of
    // the follower would pay it again.
    static std::mutex mutex;
    static QHash<QString, QStringList> known;
    const QString key = model.languageModel.isEmpty() ? model.dictionary : model.languageModel;
    std::lock_guard lock(mutex);
    auto it = known.find(key);
    if (it == known.end()) {
        QStringList words = model.languageModel.isEmpty() ? wordsByLength(model.dictionary)
                                                          : wordsByUnigram(model.languageModel);
        it = known.insert(key, words.mid(0, 5000));
    }
    return it->mid(0, count);
}

QHash<QString, QStringList> dictionaryEntries(const QString &dictionaryPath, const QStringList &words)
{
    QSet<QString> wanted(words.cbegin(), words.cend());
    QHash<QString, QStringList> entries;
    QFile file(dictionaryPath);
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    while (!file.atEnd()) {
        QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty())
            continue;
        QString word = headword(line);
        if (wanted.contains(word))
            entries[word].append(line);
    }
    return entries;
}

bool readsCmuPhones(const SphinxModel &model)
{
    static std::mutex mutex;
    static QHash<QString, bool> known;
    std::lock_guard lock(mutex);
    auto it = known.find(model.dictionary);
    if (it == known.end()) {
        static const QStringList cmu = QStringLiteral("AA AE AH AO AW AY B CH D DH EH ER EY F G HH IH IY JH "
                                                      "K L M N NG OW OY P R S SH T TH UH UW V W Y Z ZH")
                                               .split(QLatin1Char(' '));
        QSet<QString> phones;
        QFile file(model.dictionary);
        if (file.open(QIODevice::ReadOnly)) {
            while (!file.atEnd() && phones.size() < cmu.size() + 1) {
                const QStringList fields
                        = QString::fromUtf8(file.readLine()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
                for (qsizetype i = 1; i < fields.size(); ++i)
                    phones.insert(fields[i].trimmed());
            }
        }
        it = known.insert(model.dictionary, std::all_of(cmu.cbegin(), cmu.cend(), [&](const QString &p) {
                              return phones.contains(p);
                          }));
    }
    return *it;
}

namespace {

// Pronunciations for `words` read in `language`, in the CMU phone set, as
// dictionary lines keyed by word; words espeak-ng cannot place are missing.
QHash<QString, QStringList> espeakEntries(const QStringList &words, const QString &language)
{
    QHash<QString, QStringList> entries;
    for (const QString &w : words) {
        if (const QString phones = espeakPronunciation(w, language); !phones.isEmpty())
            entries[w] = QStringList{w + QLatin1Char(' ') + phones};
    }
    return entries;
}

} // namespace

namespace {

Result<SpeechBiasFiles, SpeechProblem> notWritten(const QString &path, const AtomicWriteFailure &failure)
{
    return Result<SpeechBiasFiles, SpeechProblem>::failure(
            {.kind = SpeechProblem::Kind::biasNotWritten, .path = path, .write = failure});
}

} // namespace

Result<SpeechBiasFiles, SpeechProblem> writeSpeechBias(const SphinxModel &model, const QString &script,
                                                       SpeechBiasMode mode, const QString &folder,
                                                       const SpeechBackground &background,
                                                       const QString &scriptLanguage)
{
    QList<QStringList> sentences = scriptSentences(script);
    QStringList words;
    for (const QStringList &s : std::as_const(sentences)) {
        for (const QString &w : s)
            words << w << w.split(QLatin1Char('-'), Qt::SkipEmptyParts);
    }
    words.removeDuplicates();
    const QString modelLanguage = languageOf(model.locale);
    const QString language = scriptLanguage.isEmpty() ? modelLanguage : languageOf(scriptLanguage);
    // espeak-ng's pronunciations are written in the English models' phones.
    const bool cmuPhones = !espeakVoice(language).isEmpty() && readsCmuPhones(model);
    // A script in another language than the model's: every word, and the
    // background, as espeak-ng reads that language, in the model's phones.
    const bool foreign = language != modelLanguage && cmuPhones;
    const bool withBackground = mode == SpeechBiasMode::ScriptNgram && background.count > 0;
    QStringList frequent;
    QHash<QString, QStringList> entries;
    if (foreign) {
        if (withBackground)
            frequent = languageWords(language, background.count);
        entries = espeakEntries(words + frequent, language);
    } else {
        if (withBackground)
            frequent = frequentWords(model, background.count);
        entries = dictionaryEntries(model.dictionary, words + frequent);
    }

    // Keep the words the dictionary knows; a hyphenated word it lacks is read
    // as its parts; a name or number it lacks gets espeak-ng's pronunciation
    // where the model's phones allow; anything else is left out of the model.
    SpeechBiasFiles files;
    QList<QStringList> known;
    for (const QStringList &sentence : std::as_const(sentences)) {
        QStringList kept;
        for (const QString &w : sentence) {
            if (entries.contains(w)) {
                kept.append(w);
                continue;
            }
            bool placed = false;
            const QStringList parts = w.split(QLatin1Char('-'), Qt::SkipEmptyParts);
            if (parts.size() > 1 && std::all_of(parts.cbegin(), parts.cend(), [&](const QString &p) {
                    return entries.contains(p);
                })) {
                kept += parts;
                placed = true;
            } else if (const QString phones = cmuPhones ? espeakPronunciation(w, language) : QString();
                       !phones.isEmpty()) {
                entries[w] = QStringList{w + QLatin1Char(' ') + phones};
                kept.append(w);
                placed = true;
            }
            if (!placed && !files.unknownWords.contains(w))
                files.unknownWords.append(w);
        }
        if (!kept.isEmpty())
            known.append(kept);
    }

    // A script without a single word the dictionary knows (an empty one, or
    // one in another language) still gets a working search: the general one.
    if (mode == SpeechBiasMode::GeneralModel || known.isEmpty()) {
        if (model.languageModel.isEmpty())
            return Result<SpeechBiasFiles, SpeechProblem>::failure(
                    {.kind = SpeechProblem::Kind::noScriptWord, .path = model.folder});
        files.dictionary = model.dictionary;
        files.languageModel = model.languageModel;
        return files;
    }

    QStringList dictLines;
    QSet<QString> written;
    for (const QStringList &sentence : std::as_const(known)) {
        for (const QString &w : sentence) {
            if (!written.contains(w)) {
                written.insert(w);
                dictLines += entries.value(w);
            }
        }
    }
    QStringList others;
    for (const QString &w : frequent) {
        if (!written.contains(w) && entries.contains(w)) {
            written.insert(w);
            others.append(w);
            dictLines += entries.value(w);
        }
    }
    files.dictionary = folder + QStringLiteral("/script.dict");
    if (auto s = replaceFileAtomically(files.dictionary,
                                       (dictLines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
        !s)
        return notWritten(files.dictionary, s.error());

    if (mode == SpeechBiasMode::ScriptNgram || mode == SpeechBiasMode::ScriptNgramAlone) {
        files.languageModel = folder + QStringLiteral("/script.arpa");
        if (auto s = replaceFileAtomically(files.languageModel,
                                           scriptArpaModel(known, others, background.share).toUtf8());
            !s)
            return notWritten(files.languageModel, s.error());
    } else {
        files.grammar = folder + QStringLiteral("/script.gram");
        if (auto s = replaceFileAtomically(files.grammar, scriptChunkGrammar(known).toUtf8()); !s)
            return notWritten(files.grammar, s.error());
    }
    return files;
}

} // namespace tandrel
