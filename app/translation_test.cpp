#include "app/ui_language.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {

using namespace tandrel;

struct TsMessage
{
    QString context;
    QString source;
    QString translation;
    QString type; // "unfinished", "vanished", "obsolete"; empty when done
};

QList<TsMessage> readTs(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<TsMessage> messages;
    QString context;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            messages.append({context, {}, {}, {}});
        } else if (xml.name() == QLatin1String("source") && !messages.isEmpty()) {
            messages.last().source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation") && !messages.isEmpty()) {
            messages.last().type = xml.attributes().value(QLatin1String("type")).toString();
            messages.last().translation = xml.readElementText();
        }
    }
    EXPECT_FALSE(xml.hasError()) << path.toStdString() << ": " << xml.errorString().toStdString();
    return messages;
}

// The numbered placeholders of a text, sorted: "%2 of %1" and "%1 von %2"
// have the same ones.
QStringList placeholders(const QString &text)
{
    QStringList found;
    for (const QRegularExpressionMatch &m : QRegularExpression(QStringLiteral("%\\d+")).globalMatch(text))
        found.append(m.captured());
    found.sort();
    return found;
}

QSet<QString> keys(const QList<TsMessage> &messages)
{
    QSet<QString> set;
    for (const TsMessage &m : messages)
        set.insert(m.context + QStringLiteral(" | ") + m.source);
    return set;
}

const QString committedTs = QStringLiteral(TANDREL_SOURCE_DIR "/translations/tandrel_en.ts");

} // namespace

TEST(Translation, EveryMessageHasAnEnglishTextWithTheSamePlaceholders)
{
    const QList<TsMessage> messages = readTs(committedTs);
    ASSERT_FALSE(messages.isEmpty()) << committedTs.toStdString();
    for (const TsMessage &m : messages) {
        const std::string where = (m.context + QStringLiteral(": ") + m.source).toStdString();
        EXPECT_TRUE(m.type.isEmpty()) << m.type.toStdString() << " " << where;
        EXPECT_FALSE(m.translation.trimmed().isEmpty()) << where;
        EXPECT_EQ(placeholders(m.translation).join(u' ').toStdString(),
                  placeholders(m.source).join(u' ').toStdString())
                << where;
        EXPECT_EQ(m.translation.count(QLatin1Char('\n')), m.source.count(QLatin1Char('\n'))) << where;
    }
}

// lupdate run over the sources finds exactly the messages of the committed
// translation: a text shown but missing from it fails here, and so does a
// translation whose text the code no longer has.
TEST(Translation, TheSourcesHoldExactlyTheMessagesOfTheTranslation)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fresh = dir.filePath(QStringLiteral("fresh.ts"));
    QProcess lupdate;
    lupdate.setWorkingDirectory(QStringLiteral(TANDREL_SOURCE_DIR));
    lupdate.start(QStringLiteral(TANDREL_LUPDATE),
                  {"-I", ".", "-no-obsolete", "-locations", "none", "-source-language", "de",
                   "-target-language", "en", "app", "teleprompter", "cli", "platform/file_error.cpp",
                   "-extensions", "cpp,h", "-ts", fresh});
    ASSERT_TRUE(lupdate.waitForFinished(300000));
    ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();

    const QSet<QString> inSources = keys(readTs(fresh));
    const QSet<QString> translated = keys(readTs(committedTs));
    ASSERT_FALSE(inSources.isEmpty());
    for (const QString &missing : inSources - translated)
        ADD_FAILURE() << "not in the translation (make translations): " << missing.toStdString();
    for (const QString &stale : translated - inSources)
        ADD_FAILURE() << "no longer in the sources: " << stale.toStdString();
}

// The translation compiled into the program answers every message with the
// committed English text; German gives the source text back.
TEST(Translation, TheBuiltTranslationGivesEveryMessageInTheChosenLanguage)
{
    const QList<TsMessage> messages = readTs(committedTs);
    ASSERT_FALSE(messages.isEmpty());
    QCoreApplication &app = *QCoreApplication::instance();

    ASSERT_TRUE(installUiLanguage(app, UiLanguage::English));
    for (const TsMessage &m : messages)
        EXPECT_EQ(QCoreApplication::translate(qPrintable(m.context), m.source.toUtf8().constData()),
                  m.translation)
                << m.source.toStdString();

    installUiLanguage(app, UiLanguage::German);
    for (const TsMessage &m : messages)
        EXPECT_EQ(QCoreApplication::translate(qPrintable(m.context), m.source.toUtf8().constData()), m.source)
                << m.source.toStdString();
}
