#pragma once

#include <QString>

class QCoreApplication;

namespace tandrel {

// The language of the interface. German is the source language: its texts
// are the ones in the code, English comes from the bundled translation.
enum class UiLanguage { German, English };

// The stored choice ("de", "en"); anything else, or none, is German.
UiLanguage uiLanguageFromSetting(const QString &value);
QString settingValue(UiLanguage language);

// The language the environment asks for, as gettext reads it: the first
// German or English entry of LANGUAGE, else LC_ALL, LC_MESSAGES, LANG in
// that order. English only when it names English ("en", "en_US.UTF-8").
UiLanguage uiLanguageFromEnvironment();

// Installs the translators for `language` on `app`, replacing those a
// previous call installed: the English texts of Tandrel for English; Qt's
// own German texts (file dialog, context menus, "Strg+N") for German.
// Returns false when the English translation could not be loaded; the
// interface then stays German.
bool installUiLanguage(QCoreApplication &app, UiLanguage language);

} // namespace tandrel
