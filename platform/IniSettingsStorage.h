#pragma once

#include "platform/CallWaiter.h"
#include "platform/MountTable.h"
#include "platform/SettingsStorage.h"

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
    void setWaiter(CallWaiter* waiter) { m_waiter = waiter; }

private:
    // Makes the call here, or through the waiter where the file may lie on a share.
    void guarded(const QString& fileName, CallWaiter::OnClose onClose, const std::function<void()>& call);

    QString m_folder;
    CallWaiter* m_waiter = nullptr;
    MountTable m_mounts;
};
