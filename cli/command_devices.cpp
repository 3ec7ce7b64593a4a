#include "app/capture_text.h"
#include "capture/capture_controller.h"
#include "cli/cli_context.h"
#include "platform/settings_store.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace tandrel::cli {

namespace {

QJsonValue optionalText(const std::optional<QString> &text)
{
    return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
}

} // namespace

// Lists what the capture controller discovers, as the pickers would show it,
// without starting any capture. Discovery is complete once the controller is
// constructed (the device monitor probes synchronously); the screens are
// loaded as start-up loads them.
int runDevices(CliContext &ctx)
{
    if (!ctx.args.isEmpty())
        return ctx.usage();
    // The listing must not touch the user's stored mirror settings.
    QTemporaryDir scratch;
    SettingsStore settings(scratch.filePath(QStringLiteral("settings.ini")));
    CaptureController controller(settings);
    controller.refreshScreens();

    const auto video = controller.selectedVideoSourceID();
    const auto mic = controller.selectedMicrophoneID();
    if (ctx.json) {
        QJsonArray sources;
        for (const VideoSource &s : controller.videoSources())
            sources.append(
                    QJsonObject{{"id", s.id}, {"name", videoSourceText(s)}, {"kind", kindName(s.kind)}});
        QJsonArray microphones;
        for (const AudioDevice &m : controller.microphones())
            microphones.append(QJsonObject{{"id", m.id}, {"name", m.name}});
        const QJsonObject root{{"videoSources", sources},
                               {"microphones", microphones},
                               {"selectedVideoSourceID", optionalText(video)},
                               {"selectedMicrophoneID", optionalText(mic)}};
        ctx.out << QJsonDocument(root).toJson(QJsonDocument::Indented);
        return 0;
    }
    // One line per source: a star for the default choice, the kind, the
    // identifier and the name, tab-separated.
    for (const VideoSource &s : controller.videoSources())
        ctx.out << (s.id == video ? "*" : " ") << '\t' << kindName(s.kind) << '\t' << s.id << '\t'
                << videoSourceText(s) << '\n';
    for (const AudioDevice &m : controller.microphones())
        ctx.out << (m.id == mic ? "*" : " ") << '\t' << "microphone" << '\t' << m.id << '\t' << m.name
                << '\n';
    return 0;
}

} // namespace tandrel::cli
