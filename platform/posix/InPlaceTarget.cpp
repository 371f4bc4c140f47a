#include "platform/posix/InPlaceTarget.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

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

void InPlaceTarget::commit()
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

void InPlaceTarget::fail(int error)
{
    ::close(std::exchange(m_fd, -1));
    throw Failure::fromErrno(error);
}

void DirectTarget::commit()
{
    if (const int error = m_device.closeDescriptor())
        throw Failure::fromErrno(error);
}
