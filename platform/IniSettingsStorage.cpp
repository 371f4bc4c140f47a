#include "platform/IniSettingsStorage.h"

#include "platform/Failure.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

IniSettingsStorage::IniSettingsStorage(QString folder) : m_folder(std::move(folder))
{
    if (m_folder.isEmpty())
        m_folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString IniSettingsStorage::fileName(const QString& application) const
{
    return m_folder + QStringLiteral("/") + application + QStringLiteral(".ini");
}

std::optional<QString> IniSettingsStorage::read(const QString& application, const QString& section,
                                                const QString& key)
{
    QSettings store(fileName(application), QSettings::IniFormat);
    if (store.status() != QSettings::NoError)
        throw Failure(QStringLiteral("The settings file %1 cannot be read.").arg(fileName(application)));
    store.beginGroup(section);
    if (!store.contains(key))
        return std::nullopt;
    return store.value(key).toString();
}

void IniSettingsStorage::write(const QString& application, const QString& section, const QString& key,
                               const QString& value)
{
    if (!QDir().mkpath(m_folder))
        throw Failure(QStringLiteral("The folder %1 cannot be created.").arg(m_folder));
    QSettings store(fileName(application), QSettings::IniFormat);
    store.beginGroup(section);
    store.setValue(key, value);
    store.endGroup();
    store.sync();
    if (store.status() != QSettings::NoError)
        throw Failure(QStringLiteral("The settings file %1 cannot be written.").arg(fileName(application)));
}
