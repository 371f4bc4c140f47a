#pragma once

#include "platform/shares/MountTable.h"

#include <QByteArray>

#include <limits>
#include <optional>
#include <sys/types.h>
#include <unordered_map>

// What the file systems of the folders looked at keep of a folder's attributes: nothing of their own (a plain
// disk), the kernel's pseudo file systems, whose folders a walk leaves out, and the Windows disks, which keep
// the folder's own attribute bits.
class Volumes
{
public:
    enum class Kind { Plain, Pseudo, Ntfs, Fat };

    explicit Volumes(MountTable& mounts) : m_mounts(mounts) {}

    // The kind of the file system of `path`, mounted from `device`.
    Kind of(const QByteArray& path, dev_t device);
    // The attribute bits a Windows disk keeps for the folder `name` of the open folder `folder` (or AT_FDCWD),
    // whose whole path is `path`, where it keeps any. A disk that turns out to keep none is not asked again.
    std::optional<int> windowsAttributes(int folder, const char* name, const QByteArray& path, Kind kind, dev_t device);

private:
    Kind ask(const QByteArray& path, dev_t device);

    MountTable& m_mounts;
    std::unordered_map<dev_t, Kind> m_kinds;
    qint64 m_since = std::numeric_limits<qint64>::min() / 2; // when the answers were started
};
