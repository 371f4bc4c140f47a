#include "platform/PosixSaveTarget.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A link chain longer than this is a loop, as the kernel counts it.
constexpr int kMaxLinkHops = 40;

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
        startWriteBack(size);
        return done;
    }

private:
    // Hands what was written to the disk as the writing goes on, and waits for the step before the last to
    // arrive there: the final flush before the file takes its name then finds at most two steps left, and
    // the window never waits for a whole file's worth of disk at once.
    void startWriteBack(qint64 written)
    {
        constexpr qint64 kStep = qint64(8) << 20;
        m_unsynced += written;
        if (m_unsynced < kStep)
            return;
        // A FIFO or a device has no pages to write back: the calls then fail, which is fine.
        if (m_previousLength > 0)
            (void)::sync_file_range(m_fd, m_previousStart, m_previousLength,
                                    SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
        (void)::sync_file_range(m_fd, m_synced, m_unsynced, SYNC_FILE_RANGE_WRITE);
        m_previousStart = m_synced;
        m_previousLength = m_unsynced;
        m_synced += m_unsynced;
        m_unsynced = 0;
    }

    int m_fd;
    qint64 m_synced = 0;
    qint64 m_unsynced = 0;
    qint64 m_previousStart = 0;
    qint64 m_previousLength = 0;
};

// A temporary file beside the target that takes the target's name at commit.
class ReplacingTarget : public SaveTarget
{
public:
    ReplacingTarget(QByteArray target, QByteArray temporary, int fd, bool replacesFile)
        : m_target(std::move(target)), m_temporary(std::move(temporary)), m_device(fd), m_sync(replacesFile)
    {}
    ~ReplacingTarget() override { discard(); }

    QIODevice& device() override { return m_device; }
    void commit() override
    {
        if (m_done)
            throw Failure(QStringLiteral("The file has already been closed."));
        // An old file is only given up for content that has reached the disk.
        if (m_sync && ::fsync(m_device.descriptor()) != 0)
            fail(errno);
        if (const int error = m_device.closeDescriptor())
            fail(error);
        if (::rename(m_temporary.constData(), m_target.constData()) != 0)
            fail(errno);
        m_done = true;
    }

private:
    void discard()
    {
        if (m_done)
            return;
        m_device.closeDescriptor();
        ::unlink(m_temporary.constData());
        m_done = true;
    }
    [[noreturn]] void fail(int error)
    {
        discard();
        throw Failure::fromErrno(error);
    }

    QByteArray m_target;
    QByteArray m_temporary;
    DescriptorDevice m_device;
    bool m_sync;
    bool m_done = false;
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

// The folder part of a path with its final separator, or "" for a bare name.
QByteArray folderOf(const QByteArray& path)
{
    return path.left(path.lastIndexOf('/') + 1);
}

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

mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

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

    QByteArray temporary = folder + ".tallyfold-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        throw Failure::fromErrno(errno);
    if (exists) {
        // Owner first: changing it may clear the set-id bits that the mode then restores.
        if (info.st_uid != ::geteuid() || info.st_gid != ::getegid())
            (void)::fchown(fd, info.st_uid, info.st_gid);
        (void)::fchmod(fd, info.st_mode & 07777);
    } else {
        (void)::fchmod(fd, newFileMode());
    }
    return std::make_unique<ReplacingTarget>(target, temporary, fd, exists);
}
