#include "speech/model_catalogue.h"

#include "speech/script_language.h"

namespace tandrel {

namespace {

// The project's download area, or a mirror of its folders named in
// TANDREL_MODEL_MIRROR (a machine without access to it, the tests).
QUrl sourceForge(const QString &folder, const QString &file)
{
    const QString mirror = qEnvironmentVariable("TANDREL_MODEL_MIRROR");
    if (!mirror.isEmpty())
        return QUrl(mirror + QLatin1Char('/') + folder + QLatin1Char('/') + file);
    return QUrl(QStringLiteral("https://sourceforge.net/projects/cmusphinx/files/Acoustic%20and%20Language%20Models/")
                + folder + QLatin1Char('/') + file + QStringLiteral("/download"));
}

} // namespace

QList<CatalogueModel> modelCatalogue()
{
    // The CMU Sphinx project's continuous models of version 5.2 on its
    // download area. The sizes are rounded estimates for the download button;
    // a download counts the bytes the server announces. The German archive's
    // checksum is the one Linux distributions pin for the same file.
    return {
            {QStringLiteral("de-DE"),
             sourceForge(QStringLiteral("German"), QStringLiteral("cmusphinx-de-voxforge-5.2.tar.gz")),
             62'000'000,
             QStringLiteral("e9cded974da697d0f78a55596e1bf4c9664e9bc91a4a596cc5dac76fc40c913d"),
             {}},
            // The French archive holds the acoustic model only; its dictionary
            // and a small language model are files of their own.
            {QStringLiteral("fr-FR"),
             sourceForge(QStringLiteral("French"), QStringLiteral("cmusphinx-fr-5.2.tar.gz")),
             90'000'000,
             {},
             {{sourceForge(QStringLiteral("French"), QStringLiteral("fr.dict")), QStringLiteral("fr.dict")},
              {sourceForge(QStringLiteral("French"), QStringLiteral("fr-small.lm.bin")),
               QStringLiteral("fr-small.lm.bin")}}},
            {QStringLiteral("es-ES"),
             sourceForge(QStringLiteral("Spanish"), QStringLiteral("cmusphinx-es-5.2.tar.gz")),
             70'000'000,
             {},
             {}},
            {QStringLiteral("it-IT"),
             sourceForge(QStringLiteral("Italian"), QStringLiteral("cmusphinx-it-5.2.tar.gz")),
             50'000'000,
             {},
             {}},
            {QStringLiteral("ru-RU"),
             sourceForge(QStringLiteral("Russian"), QStringLiteral("cmusphinx-ru-5.2.tar.gz")),
             110'000'000,
             {},
             {}},
    };
}

std::optional<CatalogueModel> catalogueModelFor(const QList<CatalogueModel> &catalogue, const QString &locale)
{
    const QString language = languageOf(locale);
    for (const CatalogueModel &model : catalogue) {
        if (languageOf(model.locale) == language)
            return model;
    }
    return std::nullopt;
}

} // namespace tandrel
