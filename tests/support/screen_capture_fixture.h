#pragma once

#include "capture/capture_controller.h"
#include "platform/settings_store.h"
#include "tests/support/wait_until.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

namespace tandrel::testing {

// A capture controller with a screen as its only picture, on settings of
// its own; `preview` holds the newest preview picture, `take` the last take.
class ScreenCaptureFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qunsetenv("TANDREL_TEST_CAMERA");
    }

    void startApplication()
    {
        controller = std::make_unique<CaptureController>(settings);
        QObject::connect(controller.get(), &CaptureController::previewFrame, controller.get(),
                         [this](const QImage &image) { preview = image; });
        QSignalSpy activated(controller.get(), &CaptureController::activated);
        controller->activate();
        ASSERT_TRUE(waitUntil([&] { return activated.count() > 0; }, 60000));
    }

    // Records a take, runs `beforeStop` while it runs, then stops it; the
    // take's video file, or empty when it has none.
    QString recordWhile(const std::function<void()> &beforeStop)
    {
        bool finished = false;
        std::optional<CaptureNotice> error;
        take.reset();
        controller->startRecording(dir.filePath("takes"), [&](const Result<Take, CaptureNotice> &r) {
            finished = true;
            if (r.ok())
                take = r.value();
            else
                error = r.error();
        });
        beforeStop();
        controller->stopRecording();
        EXPECT_TRUE(waitUntil([&] { return finished; }, 60000));
        if (!take || !take->videoFileName) {
            ADD_FAILURE() << "no video: " << (error ? int(error->kind) : -1) << " "
                          << (error ? error->detail.toStdString() : std::string());
            return {};
        }
        return QDir(dir.filePath("takes")).filePath(*take->videoFileName);
    }

    // Waits until the running take has lasted `seconds`.
    bool recordedFor(double seconds)
    {
        return waitUntil([&] { return controller->recordedDuration() >= seconds; }, 60000);
    }

    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("settings.ini"))};
    std::unique_ptr<CaptureController> controller;
    QImage preview;
    std::optional<Take> take;
};

} // namespace tandrel::testing
