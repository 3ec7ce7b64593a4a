#include "app/ui_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tandrel {

namespace {

const char *const translatorName = "tandrelUiTranslator";

enum class Named { German, English, Other };

// A locale name as the environment writes it: "en", "en_GB.UTF-8",
// "de_DE@euro", "C.UTF-8".
Named namedLanguage(const QString &value)
{
    const QString language = value.section(QLatin1Char('_'), 0, 0)
                                     .section(QLatin1Char('.'), 0, 0)
                                     .section(QLatin1Char('@'), 0, 0)
                                     .section(QLatin1Char('-'), 0, 0)
                                     .toLower();
    if (language == QLatin1String("en"))
        return Named::English;
    if (language == QLatin1String("de"))
        return Named::German;
    return Named::Other;
}

void removeOurTranslators(QCoreApplication &app)
{
    const auto translators = app.findChildren<QTranslator *>(QString::fromLatin1(translatorName),
                                                             Qt::FindDirectChildrenOnly);
    for (QTranslator *translator : translators) {
        app.removeTranslator(translator);
        delete translator;
    }
}

bool install(QCoreApplication &app, QTranslator *translator)
{
    translator->setObjectName(QString::fromLatin1(translatorName));
    return app.installTranslator(translator);
}

} // namespace

UiLanguage uiLanguageFromSetting(const QString &value)
{
    return value == QLatin1String("en") ? UiLanguage::English : UiLanguage::German;
}

QString settingValue(UiLanguage language)
{
    return language == UiLanguage::English ? QStringLiteral("en") : QStringLiteral("de");
}

UiLanguage uiLanguageFromEnvironment()
{
    const auto entries = qEnvironmentVariable("LANGUAGE").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &entry : entries) {
        const Named named = namedLanguage(entry);
        if (named != Named::Other)
            return named == Named::English ? UiLanguage::English : UiLanguage::German;
    }
    for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return namedLanguage(value) == Named::English ? UiLanguage::English : UiLanguage::German;
    }
    return UiLanguage::German;
}

bool installUiLanguage(QCoreApplication &app, UiLanguage language)
{
    removeOurTranslators(app);
    auto *translator = new QTranslator(&app);
    if (language == UiLanguage::English) {
        if (translator->load(QStringLiteral(":/i18n/tandrel_en.qm")) && install(app, translator))
            return true;
        delete translator;
        return false;
    }
    // Without Qt's translation package Qt's own texts stay English.
    if (translator->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        && install(app, translator))
        return true;
    delete translator;
    return true;
}

} // namespace tandrel
