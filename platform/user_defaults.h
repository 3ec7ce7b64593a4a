#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>

namespace tandrel {

// The user-defaults store: dotted keys ("library.bookmark",
// "teleprompter.fontSize") mapped to plain values. Backed by QSettings; every
// write is flushed at once so that a crash loses nothing already set.
class UserDefaults
{
public:
    // The application's own settings (organisation and application "Tandrel").
    UserDefaults();
    // Settings kept in an INI file at `filePath` (tests use a temporary file).
    explicit UserDefaults(const QString &filePath);

    bool contains(const QString &key) const;
    QVariant value(const QString &key) const;
    void setValue(const QString &key, const QVariant &value);
    void remove(const QString &key);

    // Typed reads: none when the key is absent or its value does not convert.
    std::optional<double> doubleValue(const QString &key) const;
    std::optional<bool> boolValue(const QString &key) const;
    std::optional<QString> stringValue(const QString &key) const;

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace tandrel
