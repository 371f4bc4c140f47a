#include "platform/PosixFileSystem.h"

#include "platform/PosixSaveTarget.h"

#include <QFile>
#include <QUtf8StringView>

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// The path as the file system stores names. A path holding a NUL names nothing (the kernel would read only
// the part before it): it becomes the empty path, which every call finds missing.
QByteArray encoded(const QString& path)
{
    return path.contains(QChar(u'\0')) ? QByteArray() : QFile::encodeName(path);
}

// The path without trailing separators, so that a link is looked at and not its target ("/" stays).
QByteArray withoutTrailingSeparators(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

bool isDotName(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool isValidUtf8(std::string_view name)
{
    for (unsigned char c : name)
        if (c >= 0x80)
            return QUtf8StringView(name.data(), qsizetype(name.size())).isValidUtf8();
    return true;
}

// The existence test of a file listing: the entry exists and is not a folder. A link counts by what it
// leads to: a link to a file (or pipe, device...) does, a link to a folder or a dangling link does not. Only
// links and entries of unknown type cost a stat; the type of every other entry comes with its name.
bool IsExistingFile(int folderFd, const dirent& entry)
{
    if (entry.d_type == DT_DIR)
        return false;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        return true;
    struct stat info;
    return ::fstatat(folderFd, entry.d_name, &info, 0) == 0 && !S_ISDIR(info.st_mode);
}

class Folder
{
public:
    explicit Folder(const QByteArray& path) : m_dir(::opendir(path.constData())) {}
    ~Folder()
    {
        if (m_dir)
            ::closedir(m_dir);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    explicit operator bool() const { return m_dir != nullptr; }
    int fd() const { return ::dirfd(m_dir); }
    // The next entry, or null at the end; errno tells an end from a failure.
    dirent* next()
    {
        errno = 0;
        return ::readdir(m_dir);
    }

private:
    DIR* m_dir;
};

} // namespace

ListingFailure ListingFailure::fromErrno(int error)
{
    Kind kind = Kind::Other;
    if (error == EACCES || error == EPERM)
        kind = Kind::PermissionDenied;
    else if (error == ENOENT || error == ENOTDIR)
        kind = Kind::PathNotFound;
    return ListingFailure(kind, Failure::fromErrno(error).description());
}

bool PosixFileSystem::PathExists(const QString& path)
{
    struct stat info;
    return !path.isEmpty() && ::stat(encoded(path).constData(), &info) == 0;
}

bool PosixFileSystem::isNormalFile(const QString& path)
{
    const QByteArray name = encoded(path);
    struct stat info;
    if (::stat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    const qsizetype slash = name.lastIndexOf('/');
    return name.mid(slash + 1).front() != '.';
}

QByteArray PosixFileSystem::readAll(const QString& path)
{
    std::unique_ptr<QIODevice> file = openRead(path);
    QByteArray content = file->readAll();
    const auto* device = qobject_cast<QFileDevice*>(file.get());
    if (device && device->error() != QFileDevice::NoError)
        throw Failure(device->errorString());
    return content;
}

bool PosixFileSystem::onPseudoFileSystem(const QByteArray& path, dev_t device)
{
    // Asked once per file system, not once per folder: a walk meets a few file systems and many folders. The
    // answers are dropped after a moment, as a device number can come back for another file system.
    if (!m_kindsAge.isValid() || m_kindsAge.elapsed() > 1000) {
        m_pseudoDevices.clear();
        m_kindsAge.start();
    }
    if (const auto known = m_pseudoDevices.find(device); known != m_pseudoDevices.end())
        return known->second;
    const bool pseudo = askPseudoFileSystem(path);
    m_pseudoDevices.emplace(device, pseudo);
    return pseudo;
}

bool PosixFileSystem::askPseudoFileSystem(const QByteArray& path)
{
    struct statfs fs;
    if (::statfs(path.constData(), &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x9fa0:     // proc
    case 0x62656572: // sysfs
    case 0x1cd1:     // devpts
    case 0x27e0eb:   // cgroup
    case 0x63677270: // cgroup2
    case 0x64626720: // debugfs
    case 0x74726163: // tracefs
    case 0x73636673: // securityfs
    case 0x6165676c: // pstore
    case 0xcafe4a11: // bpf
    case 0x62656570: // configfs
    case 0x19800202: // mqueue
    case 0x65735543: // fusectl
    case 0x42494e4d: // binfmt_misc
    case 0xde5e81e4: // efivarfs
    case 0xf97cff8c: // selinuxfs
    case 0x6e736673: // nsfs
    case 0x0187:     // autofs
        return true;
    case 0x01021994: // tmpfs, which devtmpfs shares: tell them apart by the mount table
        break;
    default: return false;
    }
    if (!m_devtmpfsDevices) {
        m_devtmpfsDevices.emplace();
        std::ifstream mounts("/proc/self/mountinfo");
        std::string line;
        while (std::getline(mounts, line)) {
            // id parent major:minor root mount-point options ... - fstype source options
            std::istringstream fields(line);
            std::string id, parent, device, field;
            fields >> id >> parent >> device;
            while (fields >> field && field != "-") {
            }
            std::string type;
            fields >> type;
            unsigned major = 0, minor = 0;
            if (type == "devtmpfs" && std::sscanf(device.c_str(), "%u:%u", &major, &minor) == 2)
                m_devtmpfsDevices->insert(makedev(major, minor));
        }
    }
    struct stat info;
    return ::stat(path.constData(), &info) == 0 && m_devtmpfsDevices->count(info.st_dev) > 0;
}

std::optional<int> PosixFileSystem::attributes(const QString& path)
{
    int error = 0;
    return attributesOf(withoutTrailingSeparators(encoded(path)), error);
}

std::optional<int> PosixFileSystem::attributesOf(const QByteArray& name, int& error)
{
    struct stat info;
    if (name.isEmpty() || ::lstat(name.constData(), &info) != 0) {
        error = name.isEmpty() ? ENOENT : errno;
        return std::nullopt;
    }
    if (S_ISLNK(info.st_mode)) {
        struct stat target;
        const bool toFolder = ::stat(name.constData(), &target) == 0 && S_ISDIR(target.st_mode);
        return toFolder ? Attribute::Hidden | Attribute::System | Attribute::Directory | Attribute::Link
                        : Attribute::Link;
    }
    if (!S_ISDIR(info.st_mode))
        return 0;
    if (onPseudoFileSystem(name, info.st_dev))
        return Attribute::Hidden | Attribute::System | Attribute::Directory;
    const qsizetype slash = name.lastIndexOf('/');
    const bool hidden = name.size() > slash + 1 && name.at(slash + 1) == '.';
    return Attribute::Directory | (hidden ? Attribute::Hidden : 0);
}

FileSystem::FolderInfo PosixFileSystem::GetFolder(const QString& path)
{
    const QByteArray name = withoutTrailingSeparators(encoded(path));
    int error = 0;
    const std::optional<int> value = attributesOf(name, error);
    // A folder that cannot be looked at fails as the kernel says (a search-protected parent is permission
    // denied, a missing one path not found); a path that is no folder is not found.
    if (!value)
        throw ListingFailure::fromErrno(error);
    if (!(*value & Attribute::Directory))
        throw ListingFailure::fromErrno(ENOTDIR);
    return FolderInfo{*value, name == "/"};
}

SubfolderListing PosixFileSystem::subfolders(const QString& path)
{
    Folder folder(encoded(path));
    if (!folder)
        throw ListingFailure::fromErrno(errno);
    SubfolderListing listing;
    while (dirent* entry = folder.next()) {
        if (isDotName(entry->d_name))
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat info;
            isFolder = ::fstatat(folder.fd(), entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
        }
        if (isFolder)
            listing.names.emplace_back(entry->d_name);
    }
    if (errno != 0)
        listing.error = ListingFailure::fromErrno(errno);
    return listing;
}

void PosixFileSystem::listFiles(const QString& folderPath, const NameSink& sink)
{
    Folder folder(encoded(folderPath));
    if (!folder) {
        if (errno == ENOENT || errno == ENOTDIR)
            return;
        throw Failure::fromErrno(errno);
    }
    while (dirent* entry = folder.next()) {
        if (isDotName(entry->d_name) || !IsExistingFile(folder.fd(), *entry))
            continue;
        // A name that is not UTF-8 has no path the program can write, so it names nothing.
        const std::string_view name(entry->d_name);
        if (isValidUtf8(name))
            sink(name);
    }
    if (errno != 0)
        throw Failure::fromErrno(errno);
}

std::unique_ptr<QIODevice> PosixFileSystem::openRead(const QString& path)
{
    const int fd = ::open(encoded(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw Failure::fromErrno(errno);
    struct stat info;
    const bool looked = ::fstat(fd, &info) == 0;
    if (!looked || !S_ISREG(info.st_mode)) {
        // A name that cannot be looked at fails as the kernel says; only a looked-at mode tells a folder.
        const int error = !looked ? errno : S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        throw Failure::fromErrno(error);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw Failure(file->errorString());
    }
    return file;
}

std::unique_ptr<SaveTarget> PosixFileSystem::openSave(const QString& path)
{
    const QByteArray name = encoded(path);
    if (name.isEmpty())
        throw Failure::fromErrno(ENOENT);
    return openPosixSaveTarget(name);
}
