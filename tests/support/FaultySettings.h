#pragma once

#include "base/Failure.h"
#include "platform/posix/IniSettingsStorage.h"

// The real INI store in a folder of the test's own, with reads or writes made to fail on demand.
class FaultySettings : public SettingsStorage
{
public:
    explicit FaultySettings(const QString& folder) : m_store(folder) {}

    bool failReads = false;
    bool failWrites = false;
    int writes = 0;

    IniSettingsStorage& store() { return m_store; }

    std::optional<QString> read(const QString& application, const QString& section, const QString& key) override
    {
        if (failReads)
            throw Failure(QStringLiteral("The settings cannot be read."));
        return m_store.read(application, section, key);
    }
    void write(const QString& application, const QString& section, const QString& key, const QString& value) override
    {
        ++writes;
        if (failWrites)
            throw Failure(QStringLiteral("The settings cannot be written."));
        m_store.write(application, section, key, value);
    }

private:
    IniSettingsStorage m_store;
};
