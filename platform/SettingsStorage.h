#pragma once

#include <QString>
#include <optional>

// Per-user persistent strings addressed by application, section and key.
class SettingsStorage
{
public:
    virtual ~SettingsStorage() = default;
    // The stored value, or nothing when the key is missing. Throws a Failure when the store cannot be read.
    virtual std::optional<QString> read(const QString& application, const QString& section, const QString& key) = 0;
    // Stores the value; it is on disk when the call returns. Throws a Failure when it cannot be written.
    virtual void write(const QString& application, const QString& section, const QString& key,
                       const QString& value) = 0;
};
