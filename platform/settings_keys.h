#pragma once

#include <QString>
#include <QtGlobal>

namespace tandrel {

// A settings key and the type of the value kept under it.
template<typename T> struct SettingKey
{
    const char *name;
    operator QString() const { return QString::fromLatin1(name); }
};

// Every key of the settings store, declared once. Dotted, lower camel
// case after the area.
namespace settings {

inline constexpr SettingKey<QString> libraryFolder{"library.bookmark"};

// The interface language: "de" (also when absent) or "en". Read at start.
inline constexpr SettingKey<QString> uiLanguage{"app.language"};

inline constexpr SettingKey<bool> flipHorizontal{"capture.flipHorizontal"};
inline constexpr SettingKey<bool> flipVertical{"capture.flipVertical"};
// The desktop portal's token for the monitor shared last: the next start
// shares it again without the system's dialog.
inline constexpr SettingKey<QString> screenRestoreToken{"capture.screenRestoreToken"};

inline constexpr SettingKey<double> fontSize{"teleprompter.fontSize"};
inline constexpr SettingKey<double> scrollSpeed{"teleprompter.scrollSpeed"};
inline constexpr SettingKey<bool> isMirrored{"teleprompter.isMirrored"};
// Older form of the scroll mode, still written for earlier versions.
inline constexpr SettingKey<bool> followSpeech{"teleprompter.followSpeech"};
inline constexpr SettingKey<QString> scrollMode{"teleprompter.scrollMode"};
inline constexpr SettingKey<QString> textPlacement{"teleprompter.textPlacement"};
inline constexpr SettingKey<bool> showsSelfView{"teleprompter.showsSelfView"};
inline constexpr SettingKey<QString> selectedScreenID{"teleprompter.selectedScreenID"};
inline constexpr SettingKey<qlonglong> selectedDisplayID{"teleprompter.selectedDisplayID"};

// The language scripts are written in for voice following ("de", "en", …);
// empty or absent: told by each script's words.
inline constexpr SettingKey<QString> scriptLanguage{"speech.scriptLanguage"};

// The editor the export writes for: "fcpxml", "kdenlive" or "shotcut".
inline constexpr SettingKey<QString> exportEditor{"export.editor"};

// A finished reel shortens pauses longer than this many seconds.
inline constexpr SettingKey<double> pauseThreshold{"finishedReel.pauseThreshold"};

} // namespace settings

} // namespace tandrel
