#pragma once

#include "platform/Environment.h"

class SystemEnvironment : public Environment
{
public:
    std::optional<QString> value(const QString& name) override;
    QString temporaryFolder() override;
    QString programsFolder() override;
};
