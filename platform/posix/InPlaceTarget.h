#pragma once

#include "platform/SaveTarget.h"
#include "platform/posix/DescriptorDevice.h"

#include <QBuffer>

// Sets room aside for the first `size` bytes without changing the file's length. A file system that cannot
// reserve room (EOPNOTSUPP, EINVAL) is written without; a full disk or quota throws.
void reserveRoom(int fd, qint64 size);

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
    void commit() override;

private:
    [[noreturn]] void fail(int error);

    int m_fd;
    QBuffer m_content;
};

// A FIFO or a device: written where it stands.
class DirectTarget : public SaveTarget
{
public:
    explicit DirectTarget(int fd) : m_device(fd) {}
    QIODevice& device() override { return m_device; }
    void commit() override;

private:
    DescriptorDevice m_device;
};
