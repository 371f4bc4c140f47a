#include "settings/SettingsStore.h"

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
