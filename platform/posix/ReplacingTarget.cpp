#include "platform/posix/ReplacingTarget.h"

#include "platform/posix/InPlaceTarget.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

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

// A short name beside the target that nothing holds yet: six letters and digits after ".tallyfold-".
QByteArray temporaryName(const QByteArray& folder)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray name = folder + ".tallyfold-";
    for (int i = 0; i < 6; ++i)
        name += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
    return name;
}

} // namespace

void removeTemporary(const QByteArray& name)
{
    // smbnetfs fails every request with EIO for about 3 s after one has timed out (a question about extended
    // attributes, there): the temporary is asked to go again for up to 10 s, not left on the share.
    for (int waited = 0; ::unlink(name.constData()) != 0 && errno == EIO && waited < 10000; waited += 50)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Temporaries::ofThisProcess().forget(name);
}

void removeAllTemporaries()
{
    Temporaries::ofThisProcess().removeAll();
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

void ReplacingTarget::reserve(qint64 size)
{
    reserveRoom(m_device.descriptor(), size);
}

void ReplacingTarget::commit()
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

void ReplacingTarget::linkIn()
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

void ReplacingTarget::discard()
{
    if (m_done)
        return;
    m_device.closeDescriptor();
    if (!m_temporary.isEmpty())
        removeTemporary(m_temporary);
    m_done = true;
}

void ReplacingTarget::fail(int error)
{
    discard();
    throw Failure::fromErrno(error);
}
