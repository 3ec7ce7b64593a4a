#include "platform/settings_store.h"

namespace tandrel {

SettingsStore::SettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                             QStringLiteral("Tandrel"), QStringLiteral("Tandrel")))
{
}

SettingsStore::SettingsStore(const QString &filePath)
    : m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
}

bool SettingsStore::contains(const QString &key) const
{
    return m_settings->contains(key);
}

QVariant SettingsStore::value(const QString &key) const
{
    return m_settings->value(key);
}

void SettingsStore::setValue(const QString &key, const QVariant &value)
{
    m_settings->setValue(key, value);
    m_settings->sync();
}

void SettingsStore::remove(const QString &key)
{
    m_settings->remove(key);
    m_settings->sync();
}

std::optional<double> SettingsStore::doubleValue(const QString &key) const
{
    if (!contains(key))
        return std::nullopt;
    bool ok = false;
    const double v = value(key).toDouble(&ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

std::optional<bool> SettingsStore::boolValue(const QString &key) const
{
    if (!contains(key))
        return std::nullopt;
    const QVariant v = value(key);
    // INI files store booleans as the text "true"/"false".
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString();
        if (s == QLatin1String("true") || s == QLatin1String("1"))
            return true;
        if (s == QLatin1String("false") || s == QLatin1String("0"))
            return false;
        return std::nullopt;
    }
    if (!v.canConvert<bool>())
        return std::nullopt;
    return v.toBool();
}

std::optional<QString> SettingsStore::stringValue(const QString &key) const
{
    if (!contains(key))
        return std::nullopt;
    return value(key).toString();
}

} // namespace tandrel
