#pragma once

#include "platform/Environment.h"

#include <QMap>

class FakeEnvironment : public Environment
{
public:
    QMap<QString, QString> variables;
    QString temporary = QStringLiteral("/tmp");
    QString programs = QStringLiteral("/usr/bin");

    std::optional<QString> value(const QString& name) override
    {
        if (!variables.contains(name))
            return std::nullopt;
        return variables.value(name);
    }
    QString temporaryFolder() override { return temporary; }
    QString programsFolder() override { return programs; }
};
