#pragma once

#include <QString>
#include <optional>

class Environment
{
public:
    virtual ~Environment() = default;
    // The variable's value as the environment holds it, or nothing when it is undefined.
    virtual std::optional<QString> value(const QString& name) = 0;
    // The platform's folder for temporary files.
    virtual QString temporaryFolder() = 0;
};
