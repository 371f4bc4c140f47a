#include "platform/posix/PosixFileSystem.h"

#include "base/Clock.h"
#include "platform/posix/FileFactsLookup.h"
#include "platform/posix/PosixSaveTarget.h"
#include "platform/reading/FolderEntries.h"
#include "platform/reading/FolderReader.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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

} // namespace

int PosixFileSystem::defaultReadAheadThreads()
{
    // The readers wait on the disk, not on a core: more of them than cores keep more reads on their way.
    return std::thread::hardware_concurrency() > 1 ? 8 : 0;
}

PosixFileSystem::PosixFileSystem(int readAheadThreads, bool alwaysReadAhead)
    : m_diskReaders(readAheadThreads), m_alwaysReadAhead(alwaysReadAhead)
{}

FolderReadAhead& PosixFileSystem::readers()
{
    return m_diskReaders.readers();
}

FolderReadAhead& PosixFileSystem::shareReaders()
{
    return m_shareReaders.readers();
}

std::unique_ptr<FileSystem::ReadAhead> PosixFileSystem::readAhead(bool subfolders)
{
    if (m_diskReaders.threads() <= 0)
        return FileSystem::readAhead(subfolders);
    const auto folderNameOf = [this](const QString& path) { return folderName(path); };
    return std::make_unique<ReadAheadHints>(ReadAheadHints::Sources{folderNameOf, m_timing, m_calls.mounts(),
                                                                    m_diskReaders, m_shareReaders, m_alwaysReadAhead},
                                            subfolders);
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
    const Volumes::Kind volume = m_volumes.of(name, device);
    if (volume == Volumes::Kind::Pseudo)
        return FolderInfo{Attribute::Hidden | Attribute::System | Attribute::Directory, isRoot};
    if (volume == Volumes::Kind::Ntfs || volume == Volumes::Kind::Fat) {
        if (const std::optional<int> windows = m_volumes.windowsAttributes(at.folder, at.name, name, volume, device))
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
    return readFolder(name, onProgramThread, nullptr);
}

// One reading gives both; on a share it is made through the waiter, the names handed over afterwards. Each
// opening of a folder on a share is a request to its server.
SubfolderListing PosixFileSystem::listFolder(const QString& path, const NameSink& files)
{
    const QByteArray name = folderName(path);
    if (!m_calls.waitsFor(name))
        return readFolder(name, true, &files);
    SubfolderListing listing;
    m_calls.listNames([&](const NameSink& pooled) { listing = readFolder(name, false, &pooled); }, files);
    return listing;
}

SubfolderListing PosixFileSystem::readFolder(const QByteArray& name, bool onProgramThread, const NameSink* files)
{
    const InFolder at = inFolder(name);
    FolderReader folder(at.folder, at.name, m_timing);
    if (!folder)
        throw ListingFailure::fromErrno(errno);
    SubfolderListing listing;
    while (dirent64* entry = folder.next()) {
        if (isDotName(entry->d_name))
            continue;
        mode_t mode = 0;
        const bool followed = entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN;
        if (followed && !followedType(folder.fd(), name, entry->d_name, onProgramThread, mode))
            continue; // a link to nothing is neither a folder nor a file
        if (followed ? S_ISDIR(mode) : entry->d_type == DT_DIR)
            listing.names.emplace_back(entry->d_name);
        else if (files)
            (*files)(std::string_view(entry->d_name));
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

void PosixFileSystem::fileFacts(const QByteArray& paths, std::vector<FileFacts>& facts)
{
    const std::vector<const char*> starts = FileFactsLookup::starts(paths);
    facts.assign(starts.size(), FileFacts{});
    bool anyWaits = false;
    for (std::size_t i = 0; i < starts.size() && !anyWaits; ++i)
        anyWaits = m_calls.waitsFor(QByteArrayView(starts[i]));
    if (!anyWaits)
        return FileFactsLookup::lookUp(starts, 0, starts.size(), facts.data());
    m_calls.waitedSideBySide(starts.size(), [&](std::size_t first, std::size_t last) {
        FileFactsLookup::lookUp(starts, first, last, facts.data());
    });
}

void PosixFileSystem::factsAhead(const QByteArray& paths)
{
    // Asked by folder, not by file: a link on a local disk to a file on a share is only not looked up ahead.
    std::string run; // paths of one folder in a row, on a share
    std::string_view runFolder;
    bool onShare = false;
    const auto hand = [&] {
        if (!run.empty())
            m_shareReaders.wantFiles(std::move(run));
        run.clear();
    };
    for (const char* path : FileFactsLookup::starts(paths)) {
        const std::string_view text(path);
        const std::string_view folder = text.substr(0, text.rfind('/') + 1);
        if (folder != runFolder || runFolder.empty()) {
            hand();
            runFolder = folder;
            onShare = m_calls.waitsFor(QByteArrayView(folder.data(), qsizetype(folder.size())));
        }
        if (onShare)
            run.append(text).push_back('\0');
    }
    hand();
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
