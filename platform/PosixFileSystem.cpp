#include "platform/PosixFileSystem.h"

#include "platform/FolderEntries.h"
#include "platform/PosixSaveTarget.h"
#include "platform/Utf8.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <deque>
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

// The existence test of a file listing: the entry exists and is not a folder. A link counts by what it
// leads to: a link to a file (or pipe, device...) does, a link to a folder or a dangling link does not. Only
// links and entries of unknown type cost a stat; the type of every other entry comes with its name.
bool IsExistingFile(int folderFd, const dirent64& entry)
{
    if (entry.d_type == DT_DIR)
        return false;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        return true;
    struct stat info;
    return ::fstatat(folderFd, entry.d_name, &info, 0) == 0 && !S_ISDIR(info.st_mode);
}

// A folder being listed, read straight from the kernel a buffer at a time: no stream of the C library, which
// would look at the folder twice more before the first name.
class Folder
{
public:
    // Opens the folder `name` of the folder `in` (or AT_FDCWD) for listing. Its first read counts one listing,
    // and one from the disk if it took as long as a disk does: its entries were not in memory.
    Folder(int in, const char* name, std::uint64_t& listings, std::uint64_t& fromDisk)
        : m_listings(listings), m_fromDisk(fromDisk), m_opening(nowNs()),
          m_fd(::openat(in, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {}
    ~Folder()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    explicit operator bool() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    // The next entry, or null at the end; errno tells an end from a failure.
    dirent64* next()
    {
        if (m_at == m_filled) {
            const ssize_t filled = readFolderEntries(m_fd, m_buffer, sizeof m_buffer);
            const int error = filled < 0 ? errno : 0;
            if (!m_counted) {
                m_counted = true;
                ++m_listings;
                m_fromDisk += filled > 0 && nowNs() - m_opening > 150'000;
            }
            errno = error;
            if (filled <= 0)
                return nullptr;
            m_filled = std::size_t(filled);
            m_at = 0;
        }
        auto* entry = reinterpret_cast<dirent64*>(m_buffer + m_at);
        m_at += entry->d_reclen;
        return entry;
    }

private:
    static qint64 nowNs()
    {
        timespec now;
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    }

    std::uint64_t& m_listings;
    std::uint64_t& m_fromDisk;
    bool m_counted = false;
    qint64 m_opening;
    int m_fd;
    std::size_t m_at = 0;
    std::size_t m_filled = 0;
    alignas(dirent64) char m_buffer[32768];
};

} // namespace

int PosixFileSystem::defaultReadAheadThreads()
{
    return std::thread::hardware_concurrency() > 1 ? 4 : 0;
}

PosixFileSystem::PosixFileSystem(int readAheadThreads, bool alwaysReadAhead)
    : m_readAheadThreads(readAheadThreads), m_alwaysReadAhead(alwaysReadAhead)
{}

FolderReadAhead& PosixFileSystem::readers()
{
    if (!m_readers)
        m_readers = std::make_unique<FolderReadAhead>(m_readAheadThreads);
    return *m_readers;
}

std::unique_ptr<FileSystem::ReadAhead> PosixFileSystem::readAhead(bool subfolders)
{
    // Reading ahead pays only where the folders come from the disk; where they are in memory already, the
    // readers would only compete with the command. The hints are held back until the command's listings
    // wait for the disk, a few and one in eight at least, and then given from the last few on.
    class Hints : public ReadAhead
    {
    public:
        Hints(PosixFileSystem& files, bool subfolders)
            : m_files(files), m_subfolders(subfolders), m_listingsBefore(files.m_listings),
              m_readsBefore(files.m_readsFromDisk)
        {}
        ~Hints() override
        {
            if (m_files.m_readers)
                m_files.m_readers->dropPending();
        }
        void want(const QString& folder) override
        {
            const QByteArray name = withoutTrailingSeparators(encoded(folder));
            if (name.isEmpty())
                return;
            const std::uint64_t fromDisk = m_files.m_readsFromDisk - m_readsBefore;
            m_open = m_open || m_files.m_alwaysReadAhead ||
                     (fromDisk >= 4 && fromDisk * 8 >= m_files.m_listings - m_listingsBefore);
            if (!m_open) {
                if (m_heldBack.size() == FolderReadAhead::kMostPending)
                    m_heldBack.pop_front();
                m_heldBack.push_back(name.toStdString());
                return;
            }
            for (std::string& held : m_heldBack)
                m_files.readers().want(std::move(held), m_subfolders);
            m_heldBack.clear();
            m_files.readers().want(name.toStdString(), m_subfolders);
        }

    private:
        PosixFileSystem& m_files;
        bool m_subfolders;
        bool m_open = false;
        std::uint64_t m_listingsBefore;
        std::uint64_t m_readsBefore;
        std::deque<std::string> m_heldBack;
    };
    if (m_readAheadThreads <= 0)
        return FileSystem::readAhead(subfolders);
    return std::make_unique<Hints>(*this, subfolders);
}

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

PosixFileSystem::OpenFolder::~OpenFolder()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int PosixFileSystem::OpenFolder::fd(QByteArrayView path)
{
    constexpr qint64 kMostAgeNs = 2'000'000;
    if (m_fd >= 0 && path == m_path && m_age.nsecsElapsed() < kMostAgeNs)
        return m_fd;
    if (m_fd >= 0)
        ::close(m_fd);
    m_path = path.toByteArray();
    m_fd = ::open(m_path.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0)
        m_path.clear();
    m_age.start();
    return m_fd < 0 ? AT_FDCWD : m_fd;
}

PosixFileSystem::InFolder PosixFileSystem::inFolder(const QByteArray& name)
{
    if (name.isEmpty())
        return {AT_FDCWD, ""}; // names nothing: every call finds it missing
    const qsizetype slash = name.lastIndexOf('/');
    // A name of its own (the root, a relative name), a name too long for the kernel and a name under a
    // folder that cannot be opened are looked up whole, which fails the way the kernel says.
    if (slash <= 0 || slash == name.size() - 1 || name.size() >= PATH_MAX)
        return {AT_FDCWD, name.constData()};
    const int folder = m_openFolder.fd(QByteArrayView(name.constData(), slash));
    return {folder, folder == AT_FDCWD ? name.constData() : name.constData() + slash + 1};
}

std::optional<int> PosixFileSystem::attributesOf(const QByteArray& name, int& error)
{
    struct stat info;
    const InFolder at = inFolder(name);
    if (name.isEmpty() || ::fstatat(at.folder, at.name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        error = name.isEmpty() ? ENOENT : errno;
        return std::nullopt;
    }
    if (S_ISLNK(info.st_mode)) {
        struct stat target;
        const bool toFolder = ::fstatat(at.folder, at.name, &target, 0) == 0 && S_ISDIR(target.st_mode);
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
    const QByteArray name = withoutTrailingSeparators(encoded(path));
    const InFolder at = inFolder(name);
    Folder folder(at.folder, at.name, m_listings, m_readsFromDisk);
    if (!folder)
        throw ListingFailure::fromErrno(errno);
    SubfolderListing listing;
    while (dirent64* entry = folder.next()) {
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
    const QByteArray name = withoutTrailingSeparators(encoded(folderPath));
    const InFolder at = inFolder(name);
    Folder folder(at.folder, at.name, m_listings, m_readsFromDisk);
    if (!folder) {
        if (errno == ENOENT || errno == ENOTDIR)
            return;
        throw Failure::fromErrno(errno);
    }
    while (dirent64* entry = folder.next()) {
        if (isDotName(entry->d_name) || !IsExistingFile(folder.fd(), *entry))
            continue;
        // A name that is not UTF-8 has no path the program can write, so it names nothing.
        const std::string_view name(entry->d_name);
        if (Utf8::isValid(name))
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
