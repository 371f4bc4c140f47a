#pragma once

#include "platform/SaveTarget.h"
#include "platform/posix/DescriptorDevice.h"

#include <QByteArray>

#include <utility>

// The folder part of a path with its final separator, or "" for a bare name.
inline QByteArray folderOf(const QByteArray& path)
{
    return path.left(path.lastIndexOf('/') + 1);
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
    void reserve(qint64 size) override;
    void commit() override;

private:
    // A new name is linked in as it is; an existing one is replaced by a rename from a temporary name.
    void linkIn();
    void discard();
    [[noreturn]] void fail(int error);

    QByteArray m_target;
    QByteArray m_temporary; // empty while the new file has no name
    DescriptorDevice m_device;
    bool m_exists;
    bool m_done = false;
};

// A new file of the target's folder with no name yet, or with a short temporary name where the file system
// has no unnamed files; -1 with errno set when the folder refuses it. `temporary` is left empty for an
// unnamed one.
int newFile(const QByteArray& folder, QByteArray& temporary);
// Removes a temporary file that newFile made.
void removeTemporary(const QByteArray& name);
// Removes the temporary files of every save under way.
void removeAllTemporaries();
