#pragma once

#include "platform/SettingsStorage.h"
#include "platform/shares/ShareCalls.h"

// The settings as one INI file per application in the user's configuration folder (XDG_CONFIG_HOME, else
// ~/.config), one "[section]" per section.
//
// The file is read afresh at every call and changed line by line: a write replaces the one key's line and
// keeps every other byte, a damaged file is read as far as it can be, and a file that cannot be read, or that
// the user made read-only, is never written over. A configuration folder that leads onto a share is read and
// written through the waiter, where there is one: the filter is stored at every keystroke.
class IniSettingsStorage : public SettingsStorage
{
public:
    // `folder` empty: the user's configuration folder.
    explicit IniSettingsStorage(QString folder = {});

    QString fileName(const QString& application) const;

    std::optional<QString> read(const QString& application, const QString& section, const QString& key) override;
    void write(const QString& application, const QString& section, const QString& key, const QString& value) override;
    void setWaiter(CallWaiter* waiter) { m_calls.setWaiter(waiter); }

private:
    QString m_folder;
    ShareCalls m_calls;
};
