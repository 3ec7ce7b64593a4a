#pragma once

#include "platform/settings_keys.h"

#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

namespace tandrel {

// The settings store: dotted keys ("library.bookmark",
// "teleprompter.fontSize") mapped to plain values. Backed by QSettings; every
// write is flushed at once so that a crash loses nothing already set.
class SettingsStore
{
public:
    // The application's own settings (organisation and application "Tandrel").
    SettingsStore();
    // Settings kept in an INI file at `filePath` (tests use a temporary file).
    explicit SettingsStore(const QString &filePath);

    bool contains(const QString &key) const;
    QVariant value(const QString &key) const;
    void setValue(const QString &key, const QVariant &value);
    void remove(const QString &key);

    // Typed reads: none when the key is absent or its value does not convert.
    std::optional<double> doubleValue(const QString &key) const;
    std::optional<bool> boolValue(const QString &key) const;
    std::optional<QString> stringValue(const QString &key) const;

    // Reads and writes through the declared keys.
    std::optional<bool> read(SettingKey<bool> key) const { return boolValue(key); }
    std::optional<double> read(SettingKey<double> key) const { return doubleValue(key); }
    std::optional<QString> read(SettingKey<QString> key) const { return stringValue(key); }
    template<typename T> void write(SettingKey<T> key, const T &value) { setValue(key, QVariant::fromValue(value)); }

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace tandrel
