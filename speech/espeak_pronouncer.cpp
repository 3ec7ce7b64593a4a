#include "speech/espeak_pronouncer.h"

#include <QHash>
#include <QStringList>

#ifdef TANDREL_HAVE_ESPEAK
#include <espeak-ng/speak_lib.h>
#endif

#include <mutex>

namespace tandrel {

#ifdef TANDREL_HAVE_ESPEAK
namespace {

// espeak-ng's English phoneme names (stress marks and variant digits taken
// off) and the phones of the CMU dictionary that sound nearest.
const QHash<QString, QString> &phoneTable()
{
    static const QHash<QString, QString> table{
            {"p", "P"},     {"b", "B"},     {"t", "T"},       {"d", "D"},       {"k", "K"},     {"g", "G"},
            {"f", "F"},     {"v", "V"},     {"T", "TH"},      {"D", "DH"},      {"s", "S"},     {"z", "Z"},
            {"S", "SH"},    {"Z", "ZH"},    {"h", "HH"},      {"tS", "CH"},     {"dZ", "JH"},   {"m", "M"},
            {"n", "N"},     {"N", "NG"},    {"l", "L"},       {"r", "R"},       {"w", "W"},     {"j", "Y"},
            {"x", "K"},     {"@L", "AH L"}, {"@", "AH"},      {"3", "ER"},      {"3:", "ER"},   {"a", "AE"},
            {"aa", "AA"},   {"A:", "AA"},   {"A@", "AA R"},   {"0", "AA"},      {"O:", "AO"},   {"O", "AO"},
            {"O@", "AO R"}, {"o@", "AO R"}, {"OI", "OY"},     {"oU", "OW"},     {"o", "OW"},    {"aI", "AY"},
            {"aU", "AW"},   {"e", "EH"},    {"E", "EH"},      {"eI", "EY"},     {"e@", "EH R"}, {"i", "IY"},
            {"i:", "IY"},   {"I", "IH"},    {"i@", "IY R"},   {"u:", "UW"},     {"u", "UW"},    {"U", "UH"},
            {"U@", "UH R"}, {"V", "AH"},    {"aI@", "AY ER"}, {"aU@", "AW ER"}, {"n-", "N"},    {"l-", "L"},
            {"m-", "M"},    {"r-", "R"},    {"W", "W"}};
    return table;
}

QString toDictionaryPhones(const QString &espeak)
{
    QStringList phones;
    for (const QString &word : espeak.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        for (QString name : word.split(QLatin1Char('_'), Qt::SkipEmptyParts)) {
            name.remove(QLatin1Char('\'')).remove(QLatin1Char(',')).remove(QLatin1Char('#'));
            while (name.size() > 1 && name.back().isDigit())
                name.chop(1);
            if (name.isEmpty() || name == QLatin1String("?") || name == QLatin1String("|"))
                continue;
            const auto it = phoneTable().constFind(name);
            if (it == phoneTable().cend())
                return {};
            phones << *it;
        }
    }
    return phones.join(QLatin1Char(' '));
}

} // namespace

QString espeakPronunciation(const QString &word)
{
    static std::mutex mutex; // libespeak-ng keeps global state
    std::lock_guard lock(mutex);
    static const bool ready = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, 0) > 0;
    if (!ready || espeak_SetVoiceByName("en-us") != EE_OK)
        return {};
    const QByteArray utf8 = word.toUtf8();
    const void *text = utf8.constData();
    QStringList names;
    // Each call phonemises up to a clause; a number gives several words.
    while (text) {
        const char *phonemes = espeak_TextToPhonemes(&text, espeakCHARS_UTF8, int('_') << 8);
        if (!phonemes)
            break;
        names << QString::fromUtf8(phonemes).trimmed();
    }
    return toDictionaryPhones(names.join(QLatin1Char(' ')));
}

#else

QString espeakPronunciation(const QString &)
{
    return {};
}

#endif

} // namespace tandrel
