#include "platform/posix/PosixSaveTarget.h"

#include "base/Failure.h"

#include <QBuffer>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// A link chain longer than this is a loop, as the kernel counts it.
constexpr int kMaxLinkHops = 40;

// The folder part of a path with its final separator, or "" for a bare name.
QByteArray folderOf(const QByteArray& path)
{
    return path.left(path.lastIndexOf('/') + 1);
}

// Writes go straight to the kernel: a full disk shows at the write that met it, in the platform's words.
class DescriptorDevice : public QIODevice
{
public:
    explicit DescriptorDevice(int fd) : m_fd(fd) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    ~DescriptorDevice() override { closeDescriptor(); }
    DescriptorDevice(const DescriptorDevice&) = delete;
    DescriptorDevice& operator=(const DescriptorDevice&) = delete;

    bool isSequential() const override { return true; }
    int descriptor() const { return m_fd; }
    // 0, or the errno of a close that failed (some file systems report a failed write only here).
    int closeDescriptor()
    {
        int error = 0;
        if (m_fd >= 0 && ::close(m_fd) != 0)
            error = errno;
        m_fd = -1;
        return error;
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        qint64 done = 0;
        while (done < size) {
            const ssize_t n = ::write(m_fd, data + done, size_t(size - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                setErrorString(Failure::fromErrno(n < 0 ? errno : ENOSPC).description());
                return -1;
            }
            done += n;
        }
        // What is written waits in memory for the commit's flush, which the file system makes through its
        // waiter: handing pages to the disk on the way would hold the window whenever the disk's queue is full.
        return done;
    }

private:
    int m_fd;
};

// Sets room aside for the first `size` bytes without changing the file's length. A file system that cannot
// reserve room (EOPNOTSUPP, EINVAL) is written without; a full disk or quota throws.
void reserveRoom(int fd, qint64 size)
{
    if (size <= 0)
        return;
    int result;
    do
        result = ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off_t(size));
    while (result != 0 && errno == EINTR);
    if (result != 0 && errno != EOPNOTSUPP && errno != EINVAL && errno != ENOSYS && errno != ENODEV)
        throw Failure::fromErrno(errno);
}

// 0, or the errno of a flush of the folder that failed; a folder that cannot be opened is left as it is.
int syncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.isEmpty() ? "." : folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    const int error = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    ::close(fd);
    return error;
}

// Gives an unnamed file a name; 0 or the errno. Through /proc where it is mounted, else by the descriptor.
int linkDescriptor(int fd, const QByteArray& name)
{
    const QByteArray proc = "/proc/self/fd/" + QByteArray::number(fd);
    if (::linkat(AT_FDCWD, proc.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0)
        return 0;
    if (errno != ENOENT || ::access("/proc/self/fd", F_OK) == 0)
        return errno;
    return ::linkat(fd, "", AT_FDCWD, name.constData(), AT_EMPTY_PATH) == 0 ? 0 : errno;
}

// The named temporary files of saves under way. They are made and removed on whichever thread the save runs.
class Temporaries
{
public:
    static Temporaries& ofThisProcess()
    {
        static Temporaries temporaries;
        return temporaries;
    }
    void add(const QByteArray& name)
    {
        const std::lock_guard lock(m_mutex);
        m_names.push_back(name);
    }
    void forget(const QByteArray& name)
    {
        const std::lock_guard lock(m_mutex);
        m_names.erase(std::remove(m_names.begin(), m_names.end(), name), m_names.end());
    }
    void removeAll()
    {
        const std::lock_guard lock(m_mutex);
        for (const QByteArray& name : std::exchange(m_names, {}))
            ::unlink(name.constData());
    }

private:
    std::mutex m_mutex;
    std::vector<QByteArray> m_names;
};

void removeTemporary(const QByteArray& name)
{
    ::unlink(name.constData());
    Temporaries::ofThisProcess().forget(name);
}

// A short name beside the target that nothing holds yet: six letters and digits after ".tallyfold-".
QByteArray temporaryName(const QByteArray& folder)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray name = folder + ".tallyfold-";
    for (int i = 0; i < 6; ++i)
        name += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
    return name;
}

// The new content in a file of its own that takes the target's name only at commit, after it is on the disk;
// the folder is flushed after it. The file is unnamed until then where the file system allows (no listing
// sees it), else it has a short temporary name beside the target.
class ReplacingTarget : public SaveTarget
{
public:
    ReplacingTarget(QByteArray target, QByteArray temporary, int fd, bool exists)
        : m_target(std::move(target)), m_temporary(std::move(temporary)), m_device(fd), m_exists(exists)
    {}
    ~ReplacingTarget() override { discard(); }

    QIODevice& device() override { return m_device; }
    void reserve(qint64 size) override { reserveRoom(m_device.descriptor(), size); }
    void commit() override
    {
        if (m_done)
            throw Failure(QStringLiteral("The file has already been closed."));
        // An old file is only given up for content that has reached the disk.
        if (::fsync(m_device.descriptor()) != 0)
            fail(errno);
        if (m_temporary.isEmpty())
            linkIn();
        if (const int error = m_device.closeDescriptor())
            fail(error);
        if (!m_temporary.isEmpty() && ::rename(m_temporary.constData(), m_target.constData()) != 0)
            fail(errno);
        Temporaries::ofThisProcess().forget(m_temporary);
        m_done = true;
        if (const int error = syncFolder(folderOf(m_target)))
            throw Failure::fromErrno(error);
    }

private:
    // A new name is linked in as it is; an existing one is replaced by a rename from a temporary name.
    void linkIn()
    {
        int error = m_exists ? EEXIST : linkDescriptor(m_device.descriptor(), m_target);
        if (error == 0)
            return;
        for (int attempt = 0; error == EEXIST && attempt < 100; ++attempt) {
            m_temporary = temporaryName(folderOf(m_target));
            error = linkDescriptor(m_device.descriptor(), m_temporary);
        }
        if (error == 0)
            Temporaries::ofThisProcess().add(m_temporary);
        if (error != 0) {
            m_temporary.clear();
            fail(error);
        }
    }
    void discard()
    {
        if (m_done)
            return;
        m_device.closeDescriptor();
        if (!m_temporary.isEmpty())
            removeTemporary(m_temporary);
        m_done = true;
    }
    [[noreturn]] void fail(int error)
    {
        discard();
        throw Failure::fromErrno(error);
    }

    QByteArray m_target;
    QByteArray m_temporary; // empty while the new file has no name
    DescriptorDevice m_device;
    bool m_exists;
    bool m_done = false;
};

// A file that cannot be replaced without losing something (a link, its owner, a name the folder refuses):
// written where it stands. The content is gathered first, so that a save that ends early leaves the file as
// it was; at commit it is written from the start into the room reserved for it, and the file cut to its length.
class InPlaceTarget : public SaveTarget
{
public:
    explicit InPlaceTarget(int fd) : m_fd(fd) { m_content.open(QIODevice::WriteOnly); }
    ~InPlaceTarget() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    InPlaceTarget(const InPlaceTarget&) = delete;
    InPlaceTarget& operator=(const InPlaceTarget&) = delete;

    QIODevice& device() override { return m_content; }
    void reserve(qint64 size) override { reserveRoom(m_fd, size); }
    void commit() override
    {
        if (m_fd < 0)
            throw Failure(QStringLiteral("The file has already been closed."));
        const QByteArray& content = m_content.data();
        qint64 done = 0;
        while (done < content.size()) {
            const ssize_t n = ::pwrite(m_fd, content.constData() + done, size_t(content.size() - done), off_t(done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                fail(n < 0 ? errno : ENOSPC);
            done += n;
        }
        if (::ftruncate(m_fd, off_t(content.size())) != 0 || ::fsync(m_fd) != 0)
            fail(errno);
        const int fd = std::exchange(m_fd, -1);
        if (::close(fd) != 0)
            throw Failure::fromErrno(errno);
    }

private:
    [[noreturn]] void fail(int error)
    {
        ::close(std::exchange(m_fd, -1));
        throw Failure::fromErrno(error);
    }

    int m_fd;
    QBuffer m_content;
};

// A FIFO or a device: written where it stands.
class DirectTarget : public SaveTarget
{
public:
    explicit DirectTarget(int fd) : m_device(fd) {}
    QIODevice& device() override { return m_device; }
    void commit() override
    {
        if (const int error = m_device.closeDescriptor())
            throw Failure::fromErrno(error);
    }

private:
    DescriptorDevice m_device;
};

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

// A new file of the target's folder with no name yet, or with a short temporary name where the file system
// has no unnamed files; -1 with errno set when the folder refuses it. `temporary` is left empty for an
// unnamed one.
int newFile(const QByteArray& folder, QByteArray& temporary)
{
    const QByteArray where = folder.isEmpty() ? QByteArray(".") : folder;
    // 0666 as any new file: the kernel applies the umask or the folder's default ACL.
    const int fd = ::open(where.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return fd;
    temporary = folder + ".tallyfold-XXXXXX";
    const int named = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (named < 0) {
        temporary.clear();
        return -1;
    }
    Temporaries::ofThisProcess().add(temporary);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    (void)::fchmod(named, 0666 & ~mask);
    return named;
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
    Temporaries::ofThisProcess().removeAll();
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
