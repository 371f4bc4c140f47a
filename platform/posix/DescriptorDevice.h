#pragma once

#include "base/Failure.h"

#include <QIODevice>

#include <cerrno>
#include <unistd.h>

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
