#include "speech/script_language.h"

#include <gtest/gtest.h>

using namespace tandrel;

TEST(ScriptLanguage, TellsTheLanguageOfShortLongAndMixedScripts)
{
    const struct
    {
        const char *script, *language;
    } cases[] = {
            {"Heute zeige ich euch, wie man ein Regal baut.", "de"},
            {"Today I show you how to build a shelf.", "en"},
            // Short ones: a few function words, or a letter only one language writes.
            {"Das ist gut.", "de"},
            {"This is good.", "en"},
            {"Grüße aus Köln", "de"},
            {"¿Qué tal?", "es"},
            {"Привет, друзья", "ru"},
            {"Bonjour à tous, et merci pour votre visite.", "fr"},
            {"Oggi parliamo della cucina italiana e di come si prepara la pasta.", "it"},
            // German with English words in it stays German, and the other way round.
            {"Im heutigen Video geht es um Content, Branding und das richtige Setup für eure Kamera.", "de"},
            {"Our new Kindergarten uses the Bauhaus style for its Zeitgeist.", "en"},
            // Nothing tells.
            {"", ""},
            {"2024 – 42 %", ""},
            {"Tandrel", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(detectScriptLanguage(QString::fromUtf8(c.script)), QLatin1String(c.language)) << c.script;
}

TEST(ScriptLanguage, TakesTheLanguagePartOfALocale)
{
    EXPECT_EQ(languageOf("de_DE.UTF-8"), "de");
    EXPECT_EQ(languageOf("en-US"), "en");
    EXPECT_EQ(languageOf("FR"), "fr");
}
