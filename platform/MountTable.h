#pragma once

#include <QByteArrayView>
#include <QElapsedTimer>

#include <string>
#include <sys/types.h>
#include <vector>

// Tells, from the kernel's mount table alone and without touching any mount, which paths lie on file systems
// whose calls may wait for a server or another program for ever: network shares (NFS, SMB, SSHFS...), FUSE
// file systems, automounted folders. Local disks and the kernel's own file systems do not. The table is read
// again when it is a second old, as shares come and go.
class MountTable
{
public:
    struct Mount
    {
        std::string point; // where it is mounted, as the file system stores names
        dev_t device;      // the device number of the files on it
        std::string type;  // as the table names it: "ext4", "fuse.sshfs"...
        bool local;        // answers without a server of its own
    };
    // The kernel's table as it stands now, in its order (a later mount over the same point hides an earlier one).
    static std::vector<Mount> current();

    // Whether a call on the absolute path, as the file system stores names, may hang. A relative path may
    // lie anywhere.
    bool mayHang(QByteArrayView path);
    // The type of the file system mounted from the device; the table is read again for a device it lacks,
    // one mounted a moment ago. "" where there is none.
    std::string typeOf(dev_t device);

private:
    void refresh();

    std::vector<Mount> m_mounts; // sorted by the length of the mount point
    bool m_anyHanging = false;
    QElapsedTimer m_age;
};
