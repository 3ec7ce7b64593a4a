// Speech models from inside the application: the settings' "Spracherkennung"
// section downloads a model from a server on 127.0.0.1 with progress, cancel
// and removal; the record workspace offers the model of a German script that
// the English model follows, and following goes on with the new model once
// it is in place.
#include "app/app_test_support.h"
#include "app/follow_status_text.h"
#include "app/model_notice.h"
#include "app/record_workspace.h"
#include "app/recording_session.h"
#include "app/settings_window.h"
#include "app/speech_model_panel.h"
#include "capture/capture_controller.h"
#include "speech/speech_follower.h"
#include "speech/speech_models.h"
#include "teleprompter/teleprompter_state.h"
#include "tests/support/english_model_archive.h"
#include "tests/support/local_http_server.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

void saveScreenshot(QWidget *widget, const QString &name)
{
    const QString dir = QStringLiteral(TANDREL_SCREENSHOT_DIR);
    QDir().mkpath(dir);
    EXPECT_TRUE(widget->grab().save(dir + QLatin1Char('/') + name));
}

struct ModelsFixture : ::testing::Test
{
    void SetUp() override
    {
        qputenv("TANDREL_TEST_CAMERA", "1");
        // The "German" model is Debian's English one under another name;
        // the server takes a few seconds to send it.
        static const QByteArray model = repackedEnglishModel(work.path());
        ASSERT_FALSE(model.isEmpty());
        server.respond("/de.tar.gz", HttpResponse::ok(model, model.size() / 60, 60));
        app = std::make_unique<AppUnderTest>(home);
        models().setCatalogue({{"de-DE", QUrl(server.url("/de.tar.gz")), 62'000'000, {}, {}}});
        app->show();
    }
    void TearDown() override { app.reset(); }

    SpeechModels &models() { return app->app->models(); }
    SpeechFollower &follower() { return app->app->speechFollower(); }
    QString userModels() const { return home.path() + QStringLiteral("/.local/share/Tandrel/models"); }
    QStringList userModelFolder() const
    {
        return QDir(userModels()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir work;
    LocalHttpServer server;
    TestHome home;
    std::unique_ptr<AppUnderTest> app;
};

} // namespace

TEST_F(ModelsFixture, SettingsDownloadAModelWithProgressCancelItAndRemoveIt)
{
    SettingsWindow *settings = SettingsWindow::open(app->app->context());
    SpeechModelPanel *panel = settings->modelPanel();
    QPushButton *load = panel->downloadButton("de-DE");
    ASSERT_NE(load, nullptr);
    EXPECT_EQ(load->text(), "Deutsches Modell laden (62 MB)");
    EXPECT_FALSE(panel->progressBar("de-DE")->isVisible());

    // Cancelled part way: the row offers the model again and nothing is left.
    load->click();
    ASSERT_TRUE(waitUntil([&] { return panel->progressLabel("de-DE")->text().contains(" von "); }, 30000));
    EXPECT_TRUE(panel->progressBar("de-DE")->isVisible());
    EXPECT_FALSE(panel->downloadButton("de-DE")->isVisible());
    ASSERT_TRUE(waitUntil([&] { return panel->progressLabel("de-DE")->text().contains("noch"); }, 30000))
            << "a second in, the time left is shown";
    saveScreenshot(settings, QStringLiteral("settings-model-download.png"));
    panel->cancelButton("de-DE")->click();
    ASSERT_TRUE(waitUntil([&] { return !models().download("de-DE"); }));
    EXPECT_TRUE(waitUntil([&] { return panel->downloadButton("de-DE")->isVisible(); }));
    EXPECT_TRUE(panel->failureLabel("de-DE")->text().isEmpty()) << "a cancel is no failure";
    EXPECT_TRUE(userModelFolder().isEmpty()) << userModelFolder().join(' ').toStdString();

    // Completed: listed with its folder and removable, as Debian's is not.
    panel->downloadButton("de-DE")->click();
    const QString folder = QDir(userModels() + "/de-DE").absolutePath();
    ASSERT_TRUE(waitUntil([&] { return panel->removeButton(folder) != nullptr; }, 60000));
    EXPECT_EQ(panel->downloadButton("de-DE"), nullptr) << "an installed language is not offered";
    EXPECT_TRUE(panel->removeButton(folder)->isEnabled());
    for (const SphinxModel &m : models().installed()) {
        if (m.folder.startsWith("/usr/share")) {
            EXPECT_FALSE(panel->removeButton(m.folder)->isEnabled());
        }
    }
    panel->removeButton(folder)->click();
    EXPECT_FALSE(QFileInfo::exists(folder));
    ASSERT_NE(panel->downloadButton("de-DE"), nullptr);

    // A server that fails says why, in German.
    server.respond("/de.tar.gz", HttpResponse::error(503));
    panel->downloadButton("de-DE")->click();
    ASSERT_TRUE(waitUntil([&] { return !panel->failureLabel("de-DE")->text().isEmpty(); }, 30000));
    EXPECT_TRUE(panel->failureLabel("de-DE")->text().startsWith(
            "Der Server hat das Sprachmodell nicht geliefert"))
            << panel->failureLabel("de-DE")->text().toStdString();
    EXPECT_TRUE(userModelFolder().isEmpty());

    // The script language is a setting the follower takes.
    QComboBox *language = panel->languageBox();
    language->setCurrentIndex(language->findText("Deutsch"));
    emit language->activated(language->currentIndex());
    EXPECT_EQ(follower().fixedScriptLanguage(), "de");
    EXPECT_EQ(SettingsStore(home.settingsFile()).read(settings::scriptLanguage), QString("de"));
    settings->close();
}

TEST_F(ModelsFixture, TheWorkspaceOffersTheScriptsModelAndFollowingGoesOnWithIt)
{
    app->library().createReel(
            std::nullopt, "Werkstatt",
            "Willkommen zurück in meiner kleinen Werkstatt. Heute zeige ich euch, wie man aus "
            "alten Holzbrettern ein einfaches Regal für die Küche baut.");
    RecordWorkspace &workspace = *app->window().workspace();
    ASSERT_TRUE(waitUntil([&] { return app->app->capture().readyForHotplug(); }, 15000));
    QComboBox *audio = workspace.audioPicker();
    ASSERT_GE(audio->count(), 2) << "the test microphone is listed";
    audio->setCurrentIndex(1);
    emit audio->activated(1);
    app->app->teleprompter().setScrollMode(TeleprompterScrollMode::speech);

    ModelNotice *notice = workspace.modelNotice();
    EXPECT_FALSE(notice->isVisible()) << "nothing is said before following starts";
    workspace.openTeleprompter(true);
    ASSERT_TRUE(waitUntil([&] { return follower().state() == FollowState::listening; }, 30000))
            << followFailureText(follower().failure()).toStdString();
    EXPECT_EQ(follower().scriptLanguage(), "de");
    EXPECT_EQ(follower().modelLanguage(), "en");
    ASSERT_TRUE(waitUntil([&] { return notice->isVisible(); }));
    EXPECT_EQ(notice->text()->text(),
              "Für Deutsch ist kein Sprachmodell installiert. Mit dem englischen Modell "
              "folgt der Text ungenauer.");
    EXPECT_EQ(notice->downloadButton()->text(), "Deutsches Modell laden (62 MB)");
    EXPECT_EQ(server.requests("/de.tar.gz"), 0) << "nothing is downloaded without the click";
    saveScreenshot(app->window().workspace(), QStringLiteral("workspace-model-notice.png"));

    // While the model comes, the teleprompter says so; then it listens with it.
    notice->downloadButton()->click();
    ASSERT_TRUE(waitUntil([&] { return follower().state() == FollowState::loading; }, 10000));
    EXPECT_EQ(followStatusText(app->app->teleprompter().followState(),
                               app->app->teleprompter().followFailure()),
              "Lade lokales Sprachmodell…");
    EXPECT_TRUE(notice->cancelButton()->isVisible());
    ASSERT_TRUE(waitUntil(
            [&] {
                return follower().modelLanguage() == "de" && follower().state() == FollowState::listening;
            },
            120000))
            << followFailureText(follower().failure()).toStdString();
    EXPECT_FALSE(notice->isVisible());
    app->app->session().dismissTeleprompter();
}
