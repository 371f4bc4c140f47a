#include "platform/posix/PosixSaveTarget.h"

#include "base/Failure.h"
#include "platform/posix/InPlaceTarget.h"
#include "platform/posix/ReplacingTarget.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

// A link chain longer than this is a loop, as the kernel counts it.
constexpr int kMaxLinkHops = 40;

// The path that a chain of symbolic links ends at; that path need not exist.
QByteArray followLinks(QByteArray path)
{
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info;
        if (::lstat(path.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        QByteArray link(PATH_MAX, '\0');
        ssize_t length;
        while ((length = ::readlink(path.constData(), link.data(), size_t(link.size()))) == link.size())
            link.resize(link.size() * 2);
        if (length < 0)
            throw Failure::fromErrno(errno);
        link.truncate(length);
        path = link.startsWith('/') ? link : folderOf(path) + link;
    }
    throw Failure::fromErrno(ELOOP);
}

std::unique_ptr<SaveTarget> openInPlace(const QByteArray& path)
{
    // Without O_NONBLOCK a FIFO nobody reads would hold the program until somebody does.
    const int fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw Failure::fromErrno(errno);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return std::make_unique<DirectTarget>(fd);
}

// The names of a file's extended attributes (ACLs among them), or nothing where they cannot be read.
std::optional<std::vector<QByteArray>> attributeNames(int fd)
{
    QByteArray list;
    ssize_t size;
    while ((size = ::flistxattr(fd, nullptr, 0)) > 0) {
        list.resize(size);
        size = ::flistxattr(fd, list.data(), size_t(list.size()));
        if (size >= 0 || errno != ERANGE)
            break;
    }
    if (size < 0)
        return errno == ENOTSUP ? std::optional(std::vector<QByteArray>{}) : std::nullopt;
    std::vector<QByteArray> names;
    for (const QByteArray& name : list.left(size).split('\0'))
        if (!name.isEmpty())
            names.push_back(name);
    return names;
}

// Makes the new file the old one's equal in what a user sees of it: its extended attributes and ACLs
// exactly (no more, no fewer), owner and group, mode. False where any of it cannot be kept.
bool takeOver(int from, const struct stat& old, int to)
{
    const auto names = attributeNames(from);
    const auto present = names ? attributeNames(to) : std::nullopt;
    if (!names || !present)
        return false;
    if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) && ::fchown(to, old.st_uid, old.st_gid) != 0)
        return false;
    // A default ACL of the folder gives the new file an ACL the old one may not have had.
    for (const QByteArray& name : *present)
        if (std::find(names->begin(), names->end(), name) == names->end() && ::fremovexattr(to, name.constData()) != 0)
            return false;
    for (const QByteArray& name : *names) {
        QByteArray value;
        ssize_t size;
        while ((size = ::fgetxattr(from, name.constData(), nullptr, 0)) >= 0) {
            value.resize(size);
            size = ::fgetxattr(from, name.constData(), value.data(), size_t(value.size()));
            if (size >= 0 || errno != ERANGE)
                break;
        }
        if (size < 0 || ::fsetxattr(to, name.constData(), value.constData(), size_t(size), 0) != 0)
            return false;
    }
    struct stat now;
    // Owner before mode: a change of owner may clear the set-id bits that the mode then restores.
    if (::fchmod(to, old.st_mode & 07777) != 0 || ::fstat(to, &now) != 0)
        return false;
    return now.st_uid == old.st_uid && now.st_gid == old.st_gid && now.st_mode == old.st_mode;
}

// Whether the folder lets this user put a new file under the old one's name: it may create and remove names
// there, and a sticky folder leaves another user's file to its owner.
bool folderTakesNewName(const QByteArray& folder, const struct stat& old)
{
    const QByteArray where = folder.isEmpty() ? QByteArray(".") : folder;
    struct stat info;
    if (::stat(where.constData(), &info) != 0 || ::faccessat(AT_FDCWD, where.constData(), W_OK | X_OK, AT_EACCESS) != 0)
        return false;
    const uid_t user = ::geteuid();
    return !(info.st_mode & S_ISVTX) || user == 0 || old.st_uid == user || info.st_uid == user;
}

// An existing regular file: refused when this user may not write it, as the kernel decides (permission bits,
// a read-only mount, the immutable or append-only attribute); replaced when the replacement loses nothing;
// else written in place.
std::unique_ptr<SaveTarget> openExisting(const QByteArray& target, const QByteArray& folder)
{
    const int fd = ::open(target.constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw Failure::fromErrno(errno);
    struct stat old;
    if (::fstat(fd, &old) != 0) {
        const int error = errno;
        ::close(fd);
        throw Failure::fromErrno(error);
    }
    if (old.st_nlink == 1 && folderTakesNewName(folder, old)) {
        QByteArray temporary;
        const int replacement = newFile(folder, temporary);
        if (replacement >= 0 && takeOver(fd, old, replacement)) {
            ::close(fd);
            return std::make_unique<ReplacingTarget>(target, temporary, replacement, true);
        }
        if (replacement >= 0)
            ::close(replacement);
        if (!temporary.isEmpty())
            removeTemporary(temporary);
    }
    return std::make_unique<InPlaceTarget>(fd);
}

} // namespace

void removeUnfinishedSaves()
{
    removeAllTemporaries();
}

std::unique_ptr<SaveTarget> openPosixSaveTarget(const QByteArray& path)
{
    const QByteArray target = followLinks(path);
    const QByteArray folder = folderOf(target);
    const QByteArray name = target.mid(folder.size());
    if (name.isEmpty())
        throw Failure::fromErrno(EISDIR);

    struct stat info;
    const bool exists = ::stat(target.constData(), &info) == 0;
    if (!exists && errno != ENOENT)
        throw Failure::fromErrno(errno);
    if (exists && S_ISDIR(info.st_mode))
        throw Failure::fromErrno(EISDIR);
    if (exists && !S_ISREG(info.st_mode))
        return openInPlace(target);

    // The temporary name is short, so a target name of any length the folder allows can be replaced; one
    // the folder does not allow is refused here rather than at the end.
    const QByteArray where = folder.isEmpty() ? QByteArray(".") : folder;
    const long nameMax = ::pathconf(where.constData(), _PC_NAME_MAX);
    if (nameMax > 0 && name.size() > nameMax)
        throw Failure::fromErrno(ENAMETOOLONG);
    if (exists)
        return openExisting(target, folder);

    QByteArray temporary;
    const int fd = newFile(folder, temporary);
    if (fd < 0)
        throw Failure::fromErrno(errno);
    return std::make_unique<ReplacingTarget>(target, temporary, fd, false);
}
