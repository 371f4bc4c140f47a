#pragma once

#include <QByteArrayView>
#include <QElapsedTimer>

#include <string>
#include <vector>

// Tells, from the kernel's mount table alone and without touching any mount, which paths lie on file systems
// whose calls may wait for a server or another program for ever: network shares (NFS, SMB, SSHFS...), FUSE
// file systems, automounted folders. Local disks and the kernel's own file systems do not. The table is read
// again when it is a second old, as shares come and go.
class MountTable
{
public:
    // Whether a call on the absolute path, as the file system stores names, may hang. A relative path may
    // lie anywhere.
    bool mayHang(QByteArrayView path);

    // Whether a file system of the type the table names answers without a server of its own.
    static bool isLocalType(const std::string& type);

private:
    void refresh();

    struct Mount
    {
        std::string point;
        bool local;
    };
    std::vector<Mount> m_mounts; // the deepest mount points first
    bool m_anyHanging = false;
    QElapsedTimer m_age;
};
