#pragma once

#include <QString>
#include <optional>

class Environment
{
public:
    virtual ~Environment() = default;
    // The variable's value as the environment holds it, or nothing when it is undefined.
    virtual std::optional<QString> value(const QString& name) = 0;
    // The platform's folders for temporary files and for installed programs, which stand in for the variables
    // TEMP and ProgramFiles where the environment leaves them undefined. Empty where the platform always defines
    // both (Windows).
    virtual QString temporaryFolder() = 0;
    virtual QString programsFolder() = 0;
};
