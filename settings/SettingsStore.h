#pragma once

#include "platform/SettingsStorage.h"

#include <QString>

// Where the program keeps its values: application "Quillmark", section "Tallyfold".
inline const QString kSettingsApplication = QStringLiteral("Quillmark");
inline const QString kSettingsSection = QStringLiteral("Tallyfold");

// The values the program keeps, each under its key with what a missing key reads as.
enum class Setting {
    Filter,      // the filter box's text, stored at every change
    StartFolder, // the folder the folder chooser opens at; read, never written
};

struct SettingKey
{
    Setting setting;
    const char* key;
    const char* defaultValue;
};

inline constexpr SettingKey kSettingKeys[] = {
    {Setting::Filter, "Text1", "*"},
    {Setting::StartFolder, "LastFolderDot", ""},
};

// The stored value of the key, or `defaultValue` when the key is missing. Reading changes nothing.
QString GetSetting(SettingsStorage& store, const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue);

// Stores the value under the key, creating what is needed; durable when the call returns.
void SaveSetting(SettingsStorage& store, const QString& application, const QString& section, const QString& key,
                 const QString& value);

// The same for one of the program's own values, in its section.
QString GetSetting(SettingsStorage& store, Setting setting);
void SaveSetting(SettingsStorage& store, Setting setting, const QString& value);
