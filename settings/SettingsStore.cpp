#include "settings/SettingsStore.h"

#include <algorithm>

namespace {

const SettingKey& keyOf(Setting setting)
{
    return *std::find_if(std::begin(kSettingKeys), std::end(kSettingKeys),
                         [&](const SettingKey& key) { return key.setting == setting; });
}

} // namespace

QString GetSetting(SettingsStorage& store, const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue)
{
    return store.read(application, section, key).value_or(defaultValue);
}

void SaveSetting(SettingsStorage& store, const QString& application, const QString& section, const QString& key,
                 const QString& value)
{
    store.write(application, section, key, value);
}

QString GetSetting(SettingsStorage& store, Setting setting)
{
    const SettingKey& key = keyOf(setting);
    return GetSetting(store, kSettingsApplication, kSettingsSection, QString::fromLatin1(key.key),
                      QString::fromLatin1(key.defaultValue));
}

void SaveSetting(SettingsStorage& store, Setting setting, const QString& value)
{
    SaveSetting(store, kSettingsApplication, kSettingsSection, QString::fromLatin1(keyOf(setting).key), value);
}
