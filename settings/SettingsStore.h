#pragma once

#include "platform/SettingsStorage.h"

#include <QString>

// Where the program keeps its values: application "Quillmark", section "Tallyfold".
inline const QString kSettingsApplication = QStringLiteral("Quillmark");
inline const QString kSettingsSection = QStringLiteral("Tallyfold");

// The stored value of the key, or `defaultValue` when the key is missing. Reading changes nothing.
QString GetSetting(SettingsStorage& store, const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue);

// Stores the value under the key, creating what is needed; durable when the call returns.
void SaveSetting(SettingsStorage& store, const QString& application, const QString& section, const QString& key,
                 const QString& value);
