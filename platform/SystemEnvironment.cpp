#include "platform/SystemEnvironment.h"

#include <QDir>

std::optional<QString> SystemEnvironment::value(const QString& name)
{
    const QByteArray key = name.toLocal8Bit();
    if (!qEnvironmentVariableIsSet(key.constData()))
        return std::nullopt;
    return qEnvironmentVariable(key.constData());
}

QString SystemEnvironment::temporaryFolder()
{
    return QDir::toNativeSeparators(QDir::tempPath());
}
