#include "platform/PosixFileSystem.h"

#include "base/Clock.h"
#include "platform/PosixSaveTarget.h"
#include "platform/reading/FolderEntries.h"
#include "platform/reading/FolderReader.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <linux/msdos_fs.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <thread>
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

// ntfs-3g mounts as plain "fuse" (an image file) or "fuseblk" (a disk), or with its name as the subtype.
bool isNtfs3gType(const std::string& type)
{
    return type == "fuse" || type == "fuseblk" || type.rfind("fuse.ntfs", 0) == 0 || type.rfind("fuseblk.ntfs", 0) == 0;
}

constexpr const char* kNtfsAttributes = "system.ntfs_attrib_be";

} // namespace

int PosixFileSystem::defaultReadAheadThreads()
{
    // The readers wait on the disk, not on a core: more of them than cores keep more reads on their way.
    return std::thread::hardware_concurrency() > 1 ? 8 : 0;
}

PosixFileSystem::PosixFileSystem(int readAheadThreads, bool alwaysReadAhead)
    : m_readAheadThreads(readAheadThreads), m_alwaysReadAhead(alwaysReadAhead)
{}

FolderReadAhead& PosixFileSystem::readers()
{
    if (!m_readers)
        m_readers = std::make_unique<FolderReadAhead>(m_readAheadThreads, kDiskReach * 2);
    return *m_readers;
}

FolderReadAhead& PosixFileSystem::shareReaders()
{
    return m_shareReaders.readers();
}

std::unique_ptr<FileSystem::ReadAhead> PosixFileSystem::readAhead(bool subfolders)
{
    // Reading ahead pays only where the folders come from the disk; where they are in memory already, the
    // readers would only compete with the command. The hints are held back until the command's listings
    // wait for the disk, a few and one in eight at least, and then given from the last few on. A folder on a
    // share always waits for the network: it is read ahead at once, far ahead and by many readers, which
    // wait on the network and not on a core.
    class Hints : public ReadAhead
    {
    public:
        Hints(PosixFileSystem& files, bool subfolders)
            : m_files(files), m_subfolders(subfolders), m_before(files.m_timing)
        {}
        ~Hints() override
        {
            if (m_files.m_readers)
                m_files.m_readers->dropPending();
            m_files.m_shareReaders.dropPending();
        }
        void want(const QString& folder) override
        {
            const QByteArray name = m_files.folderName(folder);
            if (name.isEmpty())
                return;
            if (m_files.m_calls.mounts().mayHang(name)) {
                m_reach = ShareReaders::kReach;
                m_files.m_shareReaders.want(name.toStdString(), m_subfolders);
                return;
            }
            m_open = m_open || m_files.m_alwaysReadAhead || m_files.m_timing.waitedSince(m_before);
            if (!m_open) {
                if (m_heldBack.size() == m_files.readers().mostPending())
                    m_heldBack.pop_front();
                m_heldBack.push_back(name.toStdString());
                return;
            }
            for (std::string& held : m_heldBack)
                m_files.readers().want(std::move(held), m_subfolders);
            m_heldBack.clear();
            m_files.readers().want(name.toStdString(), m_subfolders);
        }
        int reach() const override { return m_reach; }

    private:
        PosixFileSystem& m_files;
        bool m_subfolders;
        bool m_open = false;
        int m_reach = kDiskReach;
        DiskTiming m_before;
        std::deque<std::string> m_heldBack;
    };
    if (m_readAheadThreads <= 0)
        return FileSystem::readAhead(subfolders);
    return std::make_unique<Hints>(*this, subfolders);
}

bool PosixFileSystem::PathExists(const QString& path)
{
    const QByteArray name = encoded(path);
    struct statx info;
    return !path.isEmpty() &&
           m_calls.guarded(name, [&] { return ::statx(AT_FDCWD, name.constData(), 0, STATX_MTIME, &info) == 0; });
}

bool PosixFileSystem::isNormalFile(const QString& path)
{
    const QByteArray name = encoded(path);
    mode_t mode;
    if (!m_calls.guarded(name, [&] { return typeOf(AT_FDCWD, name.constData(), 0, mode); }) || !S_ISREG(mode))
        return false;
    const qsizetype slash = name.lastIndexOf('/');
    return name.mid(slash + 1).front() != '.';
}

QByteArray PosixFileSystem::readAll(const QString& path)
{
    const QByteArray name = encoded(path);
    return m_calls.guarded(name, [&] {
        std::unique_ptr<QFile> file = openReadOf(name);
        QByteArray content = file->readAll();
        if (file->error() != QFileDevice::NoError)
            throw Failure(file->errorString());
        return content;
    });
}

PosixFileSystem::Volume PosixFileSystem::volumeOf(const QByteArray& path, dev_t device)
{
    // Asked once per file system, not once per folder: a walk meets a few file systems and many folders. The
    // answers are dropped after a moment, as a device number can come back for another file system.
    if (const qint64 now = Clock::coarseNowNs(); now - m_volumesSince > 1'000'000'000) {
        m_volumes.clear();
        m_volumesSince = now;
    }
    if (const auto known = m_volumes.find(device); known != m_volumes.end())
        return known->second;
    const Volume volume = askVolume(path, device);
    m_volumes.emplace(device, volume);
    return volume;
}

PosixFileSystem::Volume PosixFileSystem::askVolume(const QByteArray& path, dev_t device)
{
    struct statfs fs;
    if (::statfs(path.constData(), &fs) != 0)
        return Volume::Plain;
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
        return Volume::Pseudo;
    case 0x01021994: // tmpfs, which devtmpfs shares: the mount table tells them apart
        return m_calls.mounts().typeOf(device) == "devtmpfs" ? Volume::Pseudo : Volume::Plain;
    case 0x5346544e: // ntfs3 and the older ntfs
        return Volume::Ntfs;
    case 0x4d44:     // msdos and vfat
    case 0x2011bab0: // exfat
        return Volume::Fat;
    case 0x65735546: // fuse: ntfs-3g mounts with no subtype, or with its own name
        return isNtfs3gType(m_calls.mounts().typeOf(device)) ? Volume::Ntfs : Volume::Plain;
    default: return Volume::Plain;
    }
}

std::optional<int> PosixFileSystem::windowsAttributes(InFolder at, const QByteArray& name, Volume volume, dev_t device)
{
    // NTFS hands the bits out as a big-endian extended attribute, read along the path where it is short enough;
    // FAT and exFAT answer a request on the open folder. Either way the call fails with errno.
    std::uint32_t bits = 0;
    const auto fromNtfs = [&](ssize_t got, const unsigned char* bytes) {
        if (got != 4)
            return got < 0 ? -1 : (errno = ENODATA, -1);
        bits = std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 | std::uint32_t(bytes[2]) << 8 | bytes[3];
        return 0;
    };
    unsigned char bytes[4];
    int result = -1;
    if (volume == Volume::Ntfs && name.size() < PATH_MAX) {
        result = fromNtfs(::lgetxattr(name.constData(), kNtfsAttributes, bytes, sizeof bytes), bytes);
    } else if (const int fd = ::openat(at.folder, at.name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC); fd >= 0) {
        result = volume == Volume::Ntfs ? fromNtfs(::fgetxattr(fd, kNtfsAttributes, bytes, sizeof bytes), bytes)
                                        : ::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &bits);
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    // Every bit counts, as the walk compares whole values: hidden + system (22) is left out, the same folder
    // compressed or not content-indexed is not. Only NTFS's marks of a folder's indexes go, which Windows reports
    // as the directory bit: the kernel's driver hands them out as they lie on the disk.
    constexpr std::uint32_t kNtfsIndexes = 0x30000000;
    if (result == 0)
        return int(bits & ~kNtfsIndexes);
    // A file system that turns out to keep no such bits (another FUSE file system without a subtype, a FAT
    // driver without the request) is not asked again.
    if (errno == ENOTSUP || errno == ENODATA || errno == ENOTTY || errno == EINVAL)
        m_volumes[device] = Volume::Plain;
    return std::nullopt;
}

QByteArray PosixFileSystem::folderName(const QString& path)
{
    if (path.size() != m_namedPath.size() || path != m_namedPath) {
        m_folderName = withoutTrailingSeparators(encoded(path));
        m_namedPath = path;
    }
    return m_folderName;
}

std::optional<int> PosixFileSystem::attributes(const QString& path)
{
    const QByteArray name = folderName(path);
    int error = 0;
    const std::optional<FolderInfo> info = m_calls.guarded(name, [&] { return lookAt(name, Links::AsFound, error); });
    return info ? std::optional<int>(info->attributes) : std::nullopt;
}

PosixFileSystem::OpenFolder::~OpenFolder()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int PosixFileSystem::OpenFolder::fd(QByteArrayView path)
{
    constexpr qint64 kMostAgeNs = 2'000'000;
    if (m_fd >= 0 && path == m_path && Clock::coarseNowNs() - m_openedAt < kMostAgeNs)
        return m_fd;
    if (m_fd >= 0)
        ::close(m_fd);
    m_path = path.toByteArray();
    m_fd = ::open(m_path.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0)
        m_path.clear();
    m_openedAt = Clock::coarseNowNs();
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

std::optional<FileSystem::FolderInfo> PosixFileSystem::lookAt(const QByteArray& name, Links links, int& error)
{
    mode_t mode;
    dev_t device;
    const InFolder at = inFolder(name);
    // A look that waits for the disk counts as a read from it, as a listing does: in a walk the folders' own
    // records (inodes) come from the disk more often than their entries.
    const qint64 asked = Clock::nowNs();
    const bool found = !name.isEmpty() && typeOf(at.folder, at.name, AT_SYMLINK_NOFOLLOW, mode, &device);
    m_timing.count(asked);
    if (!found) {
        error = name.isEmpty() ? ENOENT : errno;
        return std::nullopt;
    }
    if (S_ISLNK(mode)) {
        mode_t target;
        if (!typeOf(at.folder, at.name, 0, target) || !S_ISDIR(target))
            return FolderInfo{Attribute::Link, false};
        if (links == Links::Picked)
            return FolderInfo{Attribute::Directory | Attribute::Link, false};
        return FolderInfo{Attribute::Hidden | Attribute::System | Attribute::Directory | Attribute::Link, false};
    }
    if (!S_ISDIR(mode))
        return FolderInfo{0, false};
    const bool isRoot = name == "/";
    const Volume volume = volumeOf(name, device);
    if (volume == Volume::Pseudo)
        return FolderInfo{Attribute::Hidden | Attribute::System | Attribute::Directory, isRoot};
    if (volume == Volume::Ntfs || volume == Volume::Fat) {
        if (const std::optional<int> windows = windowsAttributes(at, name, volume, device))
            return FolderInfo{*windows | Attribute::Directory, isRoot || isMountRoot(at.folder, at.name)};
    }
    const qsizetype slash = name.lastIndexOf('/');
    const bool hidden = name.size() > slash + 1 && name.at(slash + 1) == '.';
    return FolderInfo{Attribute::Directory | (hidden ? Attribute::Hidden : 0), isRoot};
}

FileSystem::FolderInfo PosixFileSystem::GetFolder(const QString& path, Links links)
{
    const QByteArray name = folderName(path);
    int error = 0;
    const std::optional<FolderInfo> info = m_calls.guarded(name, [&] { return lookAt(name, links, error); });
    // A folder that cannot be looked at fails as the kernel says (a search-protected parent is permission
    // denied, a missing one path not found); a path that is no folder is not found.
    if (!info)
        throw ListingFailure::fromErrno(error);
    if (!(info->attributes & Attribute::Directory))
        throw ListingFailure::fromErrno(ENOTDIR);
    return *info;
}

bool PosixFileSystem::followedType(int folder, const QByteArray& name, const char* entry, bool onProgramThread,
                                   mode_t& mode)
{
    if (!onProgramThread || !m_calls.waitsFor(name, entry))
        return typeOf(folder, entry, 0, mode);
    return m_calls.waited([&] { return typeOf(folder, entry, 0, mode); });
}

SubfolderListing PosixFileSystem::subfolders(const QString& path)
{
    const QByteArray name = folderName(path);
    if (!m_calls.waitsFor(name))
        return subfoldersOf(name, true);
    return m_calls.waited([&] { return subfoldersOf(name, false); });
}

SubfolderListing PosixFileSystem::subfoldersOf(const QByteArray& name, bool onProgramThread)
{
    const InFolder at = inFolder(name);
    FolderReader folder(at.folder, at.name, m_timing);
    if (!folder)
        throw ListingFailure::fromErrno(errno);
    SubfolderListing listing;
    while (dirent64* entry = folder.next()) {
        if (isDotName(entry->d_name))
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            mode_t mode;
            isFolder = followedType(folder.fd(), name, entry->d_name, onProgramThread, mode) && S_ISDIR(mode);
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
    const QByteArray name = folderName(folderPath);
    if (!m_calls.waitsFor(name))
        return listFilesOf(name, sink, true);
    m_calls.listNames([&](const NameSink& pooled) { listFilesOf(name, pooled, false); }, sink);
}

void PosixFileSystem::listFilesOf(const QByteArray& name, const NameSink& sink, bool onProgramThread)
{
    const InFolder at = inFolder(name);
    FolderReader folder(at.folder, at.name, m_timing);
    if (!folder) {
        if (errno == ENOENT || errno == ENOTDIR)
            return;
        throw Failure::fromErrno(errno);
    }
    const auto followedTypeOf = [&](const char* entry, mode_t& mode) {
        return followedType(folder.fd(), name, entry, onProgramThread, mode);
    };
    while (dirent64* entry = folder.next()) {
        if (isDotName(entry->d_name) || !IsExistingFile(*entry, followedTypeOf))
            continue;
        sink(std::string_view(entry->d_name));
    }
    if (errno != 0)
        throw Failure::fromErrno(errno);
}

std::unique_ptr<QFile> PosixFileSystem::openReadOf(const QByteArray& name)
{
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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

std::unique_ptr<QIODevice> PosixFileSystem::openRead(const QString& path)
{
    const QByteArray name = encoded(path);
    return m_calls.openRead(name, [&] { return openReadOf(name); });
}

std::unique_ptr<SaveTarget> PosixFileSystem::openSave(const QString& path)
{
    const QByteArray name = encoded(path);
    if (name.isEmpty())
        throw Failure::fromErrno(ENOENT);
    return m_calls.openSave(name, [&] { return openPosixSaveTarget(name); });
}
