#include "platform/posix/SystemEnvironment.h"

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
#ifdef Q_OS_WIN
    return QString();
#else
    return QDir::toNativeSeparators(QDir::tempPath());
#endif
}

QString SystemEnvironment::programsFolder()
{
#ifdef Q_OS_WIN
    return QString();
#else
    return QStringLiteral("/usr/bin");
#endif
}
