#include "platform/posix/IniSettingsStorage.h"

#include "base/Failure.h"
#include "platform/posix/IniText.h"
#include "platform/posix/PosixSaveTarget.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <sys/stat.h>

namespace {

// The file's bytes; nothing for a file that is not there. Throws a Failure when it is there but cannot be read.
std::optional<QByteArray> content(const QString& fileName)
{
    const QByteArray name = QFile::encodeName(fileName);
    struct stat info;
    if (::stat(name.constData(), &info) != 0) {
        if (errno == ENOENT)
            return std::nullopt;
        throw Failure::fromErrno(errno);
    }
    if (!S_ISREG(info.st_mode))
        throw Failure(QStringLiteral("The settings file %1 is not a file.").arg(fileName));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("The settings file %1 cannot be read: %2").arg(fileName, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Failure(QStringLiteral("The settings file %1 cannot be read: %2").arg(fileName, file.errorString()));
    return bytes;
}

void checkName(const QString& name)
{
    if (name.isEmpty() || name.contains(QChar(u'=')) || name.contains(QChar(u'\n')) || name.contains(QChar(u'\r')) ||
        name.contains(QChar(u']')))
        throw Failure(QStringLiteral("Invalid settings key or section: %1").arg(name));
}

} // namespace

IniSettingsStorage::IniSettingsStorage(QString folder) : m_folder(std::move(folder))
{
    if (m_folder.isEmpty())
        m_folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString IniSettingsStorage::fileName(const QString& application) const
{
    return m_folder + QStringLiteral("/") + application + QStringLiteral(".ini");
}

std::optional<QString> IniSettingsStorage::read(const QString& application, const QString& section, const QString& key)
{
    const QString name = fileName(application);
    std::optional<QByteArray> text;
    m_calls.guarded(QFile::encodeName(name), [&] { text = content(name); });
    if (!text)
        return std::nullopt;
    return IniText::value(*text, section, key);
}

void IniSettingsStorage::write(const QString& application, const QString& section, const QString& key,
                               const QString& value)
{
    checkName(section);
    checkName(key);
    const QString name = fileName(application);
    const auto save = [&] {
        if (!QDir().mkpath(m_folder))
            throw Failure(QStringLiteral("The folder %1 cannot be created.").arg(m_folder));
        const std::optional<QByteArray> old = content(name); // what cannot be read is not replaced

        struct stat info;
        if (old && ::stat(QFile::encodeName(name).constData(), &info) == 0 && (info.st_mode & 0222) == 0)
            throw Failure(QStringLiteral("The settings file %1 is read-only.").arg(name));

        const QByteArray text = IniText::withValue(old.value_or(QByteArray()), section, key, value);
        std::unique_ptr<SaveTarget> target = openPosixSaveTarget(QFile::encodeName(name));
        if (target->device().write(text) != text.size())
            throw Failure(target->device().errorString());
        target->commit();
    };
    m_calls.guarded(QFile::encodeName(name), save, CallWaiter::OnClose::Finish);
}
