#include "speech/espeak_pronouncer.h"

#include <gtest/gtest.h>

using namespace tandrel;

TEST(EspeakPronouncer, ReadsGermanWordsByGermanRulesInTheEnglishModelsPhones)
{
    const struct
    {
        const char *word, *phones;
    } cases[] = {
            // Umlauts: ü -> UW, ö -> ER, ä -> EH, äu -> OY.
            {"Müller", "M UW L AH"},
            {"Vögel", "V ER G AH L"},
            {"Mädchen", "M EH D SH AH N"},
            {"Bäume", "B OY M AH"},
            // ß is an s; the vocalic r of "-er" an open AH.
            {"Straße", "SH T R AA S AH"},
            {"über", "UW B AH"},
            // ich-Laut -> SH, ach-Laut -> HH, ch before a vowel of a loan word -> K.
            {"ich", "IH SH"},
            {"Buch", "B UW HH"},
            {"Chor", "K OW R"},
            {"sechs", "Z EH K S"},
            // sch, pf, z, qu.
            {"Schule", "SH UW L AH"},
            {"Pferd", "P F EY R T"},
            {"Zucker", "T S UH K AH"},
            {"Quatsch", "K V AA T SH"},
            // A compound is one word; a number is read out.
            {"Eichhörnchen", "AY SH HH ER R N SH AH N"},
            {"dreiundzwanzig", "D R AY UH N T T S V AA N T S IH SH"},
            {"2024", "T S V AY T AW Z AH N T F IY R UH N T T S V AA N T S IH SH"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(espeakPronunciation(QString::fromUtf8(c.word), "de"), QLatin1String(c.phones)) << c.word;
}

TEST(EspeakPronouncer, KeepsEnglishRulesForEnglishAndTheLanguagesOwnSoundsForOthers)
{
    const struct
    {
        const char *word, *language, *phones;
    } cases[] = {
            {"tandrel", "en", "T AE N D R AH L"},
            {"prompter", "en", "P R AA M P T ER"},
            // The same letters, read by another language's rules.
            {"die", "en", "D AY"},
            {"die", "de", "D IY"},
            // French nasal vowels and Spanish fricatives.
            {"bonjour", "fr", "B AO N ZH UW R"},
            {"hablado", "es", "AA B L AA DH OW"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(espeakPronunciation(QString::fromUtf8(c.word), c.language), QLatin1String(c.phones))
                << c.word << " / " << c.language;
}

TEST(EspeakPronouncer, MapsEveryPhonemeOfTheLanguagesItOffersAndRefusesUnknownOnes)
{
    // Mnemonics that espeak-ng writes, with stress, length, variant and
    // palatal marks, and a language switch.
    EXPECT_EQ(cmuPhones("t_,e:_l_e:_p_r_'O_m_p_t_3", "de"), "T EY L EY P R AO M P T AH");
    EXPECT_EQ(cmuPhones("_!_'e:_(en)_m_'eI_l_(de)", "de"), "EY M EY L");
    EXPECT_EQ(cmuPhones("g_@-_r_;_'e_x", "ru"), "G AH R EH HH");
    EXPECT_EQ(cmuPhones("p_'a_t:_o", "it"), "P AA T OW");
    EXPECT_EQ(cmuPhones("b_'O~_Z_'u_R", "fr"), "B AO N ZH UW R");
    EXPECT_TRUE(cmuPhones("b_'a_@@@", "de").isEmpty()) << "an unknown phoneme gives no pronunciation";
    EXPECT_TRUE(espeakPronunciation("Hallo", "xx").isEmpty()) << "a language espeak-ng does not read";
}
