#include "TestTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <fcntl.h>
#include <ftw.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

TestTree::TestTree(const QStringList& entries)
{
    add(entries);
}

void TestTree::add(const QStringList& entries)
{
    for (const QString& entry : entries) {
        const qsizetype arrow = entry.indexOf(QStringLiteral(" -> "));
        if (arrow >= 0)
            link(entry.left(arrow), entry.mid(arrow + 4));
        else if (entry.endsWith(QChar(u'/')))
            folder(entry);
        else
            file(entry);
    }
}

TestTree::~TestTree()
{
    // By the POSIX calls: Qt's own removal passes over names that are not UTF-8 and leaves the tree behind.
    if (!m_dir.isValid())
        return;
    ::nftw(
        QFile::encodeName(m_dir.path()).constData(),
        [](const char* path, const struct stat*, int, FTW*) { return ::remove(path) == 0 ? 0 : 0; }, 16,
        FTW_DEPTH | FTW_PHYS);
}

QString TestTree::path(const QString& relative) const
{
    if (relative.isEmpty())
        return QDir::toNativeSeparators(m_dir.path());
    return QDir::toNativeSeparators(m_dir.path() + QChar(u'/') + relative);
}

void TestTree::folder(const QString& relative)
{
    QDir().mkpath(m_dir.path() + QChar(u'/') + relative);
}

void TestTree::file(const QString& relative, const QByteArray& content)
{
    const QString full = m_dir.path() + QChar(u'/') + relative;
    QDir().mkpath(QFileInfo(full).path());
    QFile file(full);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

void TestTree::link(const QString& relative, const QString& target)
{
    const QString full = m_dir.path() + QChar(u'/') + relative;
    QDir().mkpath(QFileInfo(full).path());
    ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(full).constData());
}

void TestTree::fifo(const QString& relative)
{
    ::mkfifo(QFile::encodeName(m_dir.path() + QChar(u'/') + relative).constData(), 0644);
}

void TestTree::rawFile(const QByteArray& relative)
{
    const QByteArray full = QFile::encodeName(m_dir.path()) + '/' + relative;
    const int fd = ::open(full.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0)
        ::close(fd);
}

void TestTree::rawFolder(const QByteArray& relative)
{
    ::mkdir((QFile::encodeName(m_dir.path()) + '/' + relative).constData(), 0755);
}

void TestTree::remove(const QString& relative)
{
    const QString full = m_dir.path() + QChar(u'/') + relative;
    if (QFileInfo(full).isDir() && !QFileInfo(full).isSymLink())
        QDir(full).removeRecursively();
    else
        QFile::remove(full);
}

QByteArray TestTree::read(const QString& relative) const
{
    QFile file(m_dir.path() + QChar(u'/') + relative);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList namesIn(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

TestMount::TestMount(const QString& folder, Kind kind) : m_at(QFile::encodeName(folder))
{
    if (kind == WindowsDisk) {
        m_image = folder + QStringLiteral(".ntfs");
        QFile image(m_image);
        const auto run = [](const QString& program, const QStringList& arguments) {
            QProcess process;
            process.start(program, arguments);
            return process.waitForFinished(60'000) && process.exitStatus() == QProcess::NormalExit &&
                   process.exitCode() == 0;
        };
        m_mounted = m_ready = image.open(QIODevice::WriteOnly) && image.resize(16 << 20) &&
                              run(QStringLiteral("mkntfs"), {"-F", "-Q", "-q", m_image}) &&
                              run(QStringLiteral("ntfs-3g"), {m_image, folder});
        return;
    }
    if (kind == SmallDisk) {
        m_mounted = m_ready = ::mount("tmpfs", m_at.constData(), "tmpfs", 0, "size=64k") == 0;
        return;
    }
    if (::mount(m_at.constData(), m_at.constData(), nullptr, MS_BIND, nullptr) != 0)
        return;
    m_mounted = true;
    m_ready = ::mount(nullptr, m_at.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

TestMount::~TestMount()
{
    if (m_mounted)
        ::umount2(m_at.constData(), MNT_DETACH);
    if (!m_image.isEmpty())
        QFile::remove(m_image);
}
