#include "speech/espeak_pronouncer.h"

#include <QHash>
#include <QRegularExpression>

#include <espeak-ng/speak_lib.h>

#include <mutex>

namespace tandrel {

namespace {

// espeak-ng's phoneme mnemonics and the CMU phones that sound nearest, for
// every language espeak-ng reads here; `languageTable` below overrides the
// few mnemonics whose sound differs by language. The CMU set has 39 phones
// of American English, so a sound English lacks takes the English phone an
// English listener hears for it, which is also what the English acoustic
// model has learned for it:
// - consonants: German "ach" x and Spanish jota -> HH (a fricative, as HH is;
//   K, the other candidate, is a plosive and loses against the model's HH
//   frames); ich-Laut C -> SH (the English ear's "ish"); uvular R and the
//   tapped or trilled r of Romance languages (*, **) -> R; the affricates
//   ts, pF, dz -> two phones; palatal n^, l^ -> N Y, L Y; Spanish fricatives
//   B, D, Q -> B, DH, G;
// - front rounded vowels: y, y: (ü) -> UW, since American English fronts its
//   UW towards [y]; the short Y and 8 -> UH; long Y: and W (ö, œ, French eu)
//   -> ER, the one English vowel with rounded, central quality;
// - German 3 (the vocalic r of "über", "Vater") -> AH: an open central vowel
//   without the r-colour of ER;
// - nasal vowels (French, Portuguese) -> the oral vowel followed by N;
// - long and short vowels of one quality share a phone (English models
//   keep length in the phone's own duration, not in a phone of its own);
//   diphthongs take the English diphthong or two phones.
const QHash<QString, QString> &baseTable()
{
    static const QHash<QString, QString> table{
            // Plosives, fricatives, affricates, nasals, liquids, glides.
            {"p", "P"},
            {"b", "B"},
            {"t", "T"},
            {"d", "D"},
            {"k", "K"},
            {"g", "G"},
            {"f", "F"},
            {"v", "V"},
            {"T", "TH"},
            {"D", "DH"},
            {"s", "S"},
            {"z", "Z"},
            {"S", "SH"},
            {"Z", "ZH"},
            {"h", "HH"},
            {"x", "HH"},
            {"C", "SH"},
            {"tS", "CH"},
            {"dZ", "JH"},
            {"ts", "T S"},
            {"dz", "D Z"},
            {"pF", "P F"},
            {"ss", "S"},
            {"m", "M"},
            {"n", "N"},
            {"N", "NG"},
            {"n^", "N Y"},
            {"l", "L"},
            {"l^", "L Y"},
            {"r", "R"},
            {"R", "R"},
            {"*", "R"},
            {"**", "R"},
            {"j", "Y"},
            {"J^", "Y"},
            {"I^", "Y"},
            {"w", "W"},
            {"B", "B"},
            {"Q", "G"},
            // Vowels.
            {"@", "AH"},
            {"@L", "AH L"},
            {"3", "ER"},
            {"3:", "ER"},
            {"V", "AH"},
            {"&", "AH"},
            {"a", "AE"},
            {"aa", "AA"},
            {"a:", "AA"},
            {"A", "AA"},
            {"A:", "AA"},
            {"A@", "AA R"},
            {"0", "AA"},
            {"O", "AO"},
            {"O:", "AO"},
            {"O@", "AO R"},
            {"o@", "AO R"},
            {"o", "OW"},
            {"o:", "OW"},
            {"e", "EH"},
            {"e:", "EY"},
            {"E", "EH"},
            {"E:", "EH"},
            {"e@", "EH R"},
            {"i", "IY"},
            {"i:", "IY"},
            {"I", "IH"},
            {"I:", "IH"},
            {"i@", "IY R"},
            {"u", "UW"},
            {"u:", "UW"},
            {"u\"", "UW"},
            {"U", "UH"},
            {"U@", "UH R"},
            {"UR", "UH AH"},
            {"y", "UW"},
            {"y:", "UW"},
            {"Y", "UH"},
            {"8", "UH"},
            {"Y:", "ER"},
            {"W", "ER"},
            {"2:", "ER"},
            // Diphthongs.
            {"aI", "AY"},
            {"aU", "AW"},
            {"aI@", "AY ER"},
            {"aU@", "AW ER"},
            {"eI", "EY"},
            {"EI", "EY"},
            {"oU", "OW"},
            {"OI", "OY"},
            {"OY", "OY"},
            {"oI", "OY"},
            {"eU", "EH UW"},
            {"EU", "EH UW"},
            {"iU", "IY UW"},
            {"uI", "UW IY"},
            {"VU", "AW"},
            {"Wy", "AW"},
            {"yU", "UW"},
            {"ja", "Y AA"},
            {"ju", "Y UW"},
            // Nasal vowels.
            {"A~", "AA N"},
            {"a~", "AA N"},
            {"O~", "AO N"},
            {"o~", "OW N"},
            {"E~", "AE N"},
            {"e~", "EY N"},
            {"i~", "IY N"},
            {"u~", "UW N"},
            {"W~", "ER N"},
            {"&~", "AH N"},
            {"&U~", "AW N"},
            // Syllabic consonants.
            {"n-", "N"},
            {"l-", "L"},
            {"m-", "M"},
            {"r-", "R"},
    };
    return table;
}

// Where a language's mnemonic stands for another sound than the base table
// assumes.
const QHash<QString, QString> &languageTable(const QString &language)
{
    static const QHash<QString, QHash<QString, QString>> tables{
            // English "W" is the glide of "we".
            {"en", {{"W", "W"}}},
            {"de", {{"a", "AA"}, {"e", "EY"}, {"3", "AH"}}},
            {"fr", {{"a", "AA"}, {"e", "EY"}}},
            {"es", {{"a", "AA"}, {"e", "EY"}}},
            {"it", {{"a", "AA"}, {"e", "EY"}}},
            {"pt", {{"a", "AA"}, {"e", "EY"}, {"y", "IH"}}},
            // Dutch "ij" is an open diphthong, its g a fricative.
            {"nl", {{"a", "AA"}, {"e", "EY"}, {"EI", "AY"}, {"Q", "HH"}}},
            // Russian "y" is the central ы.
            {"ru", {{"a", "AA"}, {"y", "IH"}}},
    };
    static const QHash<QString, QString> none;
    const auto it = tables.constFind(language);
    return it == tables.cend() ? none : *it;
}

// The phones for one mnemonic, trying its plainer forms: without the mark
// of a syllabic or reduced sound ("@-"), a variant digit ("E2", "t2"), a
// length mark on a consonant ("t:", Italian doubling), palatalisation
// ("t;", Russian) or a dental mark ("t[").
QString phonesOf(QString name, const QHash<QString, QString> &language)
{
    for (;;) {
        if (auto it = language.constFind(name); it != language.cend())
            return *it;
        if (auto it = baseTable().constFind(name); it != baseTable().cend())
            return *it;
        if (name.size() < 2)
            return {};
        const QChar last = name.back();
        if (last == u'-' || last == u';' || last == u'[' || last == u':' || last.isDigit())
            name.chop(1);
        else
            return {};
    }
}

std::mutex &espeakMutex()
{
    static std::mutex mutex; // libespeak-ng keeps global state
    return mutex;
}

} // namespace

QString espeakVoice(const QString &language)
{
    static const QHash<QString, QString> voices{{"en", "en-us"}, {"de", "de"}, {"fr", "fr"}, {"es", "es"},
                                                {"it", "it"},    {"pt", "pt-br"}, {"nl", "nl"}, {"ru", "ru"}};
    return voices.value(language.section(QLatin1Char('-'), 0, 0).toLower());
}

QString espeakPhonemes(const QString &text, const QString &language)
{
    const QString voice = espeakVoice(language);
    if (voice.isEmpty())
        return {};
    std::lock_guard lock(espeakMutex());
    static const bool ready = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, 0) > 0;
    static QString currentVoice;
    if (!ready)
        return {};
    if (currentVoice != voice) {
        if (espeak_SetVoiceByName(voice.toUtf8().constData()) != EE_OK)
            return {};
        currentVoice = voice;
    }
    const QByteArray utf8 = text.toUtf8();
    const void *position = utf8.constData();
    QStringList clauses;
    // Each call reads up to a clause; a number gives several words.
    while (position) {
        const char *phonemes = espeak_TextToPhonemes(&position, espeakCHARS_UTF8, int('_') << 8);
        if (!phonemes)
            break;
        clauses << QString::fromUtf8(phonemes).trimmed();
    }
    return clauses.join(QLatin1Char(' ')).simplified();
}

QString cmuPhones(const QString &phonemes, const QString &language)
{
    // espeak-ng marks a word it reads by another language's rules with that
    // language's name: "(en)".
    static const QRegularExpression switches(QStringLiteral("\\([a-z-]+\\)"));
    const QHash<QString, QString> &overrides = languageTable(language.section(QLatin1Char('-'), 0, 0).toLower());
    QStringList phones;
    for (const QString &word : QString(phonemes).remove(switches).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        for (QString name : word.split(QLatin1Char('_'), Qt::SkipEmptyParts)) {
            // Stress and syllable marks, the glottal stop and espeak-ng's
            // pause markers are no phones.
            name.remove(QLatin1Char('\'')).remove(QLatin1Char(',')).remove(QLatin1Char('%'));
            name.remove(QLatin1Char('=')).remove(QLatin1Char('#'));
            if (name.isEmpty() || name == u"?" || name == u"|" || name == u"||" || name == u"!" || name == u";")
                continue;
            const QString mapped = phonesOf(name, overrides);
            if (mapped.isEmpty())
                return {};
            phones << mapped;
        }
    }
    return phones.join(QLatin1Char(' '));
}

QString espeakPronunciation(const QString &word, const QString &language)
{
    static std::mutex mutex;
    static QHash<QString, QString> known;
    const QString key = language + QLatin1Char('\n') + word;
    {
        std::lock_guard lock(mutex);
        if (auto it = known.constFind(key); it != known.cend())
            return *it;
    }
    const QString phones = cmuPhones(espeakPhonemes(word, language), language);
    std::lock_guard lock(mutex);
    known.insert(key, phones);
    return phones;
}

} // namespace tandrel
