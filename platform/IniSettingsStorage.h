#pragma once

#include "platform/SettingsStorage.h"

// The settings as one INI file per application in the user's configuration folder (XDG_CONFIG_HOME, else
// ~/.config), one group per section.
class IniSettingsStorage : public SettingsStorage
{
public:
    // `folder` empty: the user's configuration folder.
    explicit IniSettingsStorage(QString folder = {});

    QString fileName(const QString& application) const;

    std::optional<QString> read(const QString& application, const QString& section, const QString& key) override;
    void write(const QString& application, const QString& section, const QString& key, const QString& value) override;

private:
    QString m_folder;
};
