#pragma once

#include "platform/FileSystem.h"

#include <QElapsedTimer>

#include <set>
#include <sys/types.h>
#include <unordered_map>

// The file system through the POSIX calls: names are read as stored, whatever their encoding, at any path
// length, with one open folder at a time.
//
// Folders report the attributes the folder walk compares: directory 16, plus hidden 2 for a name that
// begins with "."; a folder on a kernel pseudo file system (proc, sysfs, devtmpfs and the like) is
// hidden + system (22), and a link to a folder is hidden + system + directory + link (1046), so a walk
// neither enters the kernel's folders nor follows a link. The one root folder is "/". Listing fails as
// permission denied for EACCES and EPERM, as path not found for ENOENT and ENOTDIR.
class PosixFileSystem : public FileSystem
{
public:
    bool PathExists(const QString& path) override;
    bool isNormalFile(const QString& path) override;
    QByteArray readAll(const QString& path) override;
    std::optional<int> attributes(const QString& path) override;
    FolderInfo GetFolder(const QString& path) override;
    SubfolderListing subfolders(const QString& path) override;
    void listFiles(const QString& folder, const NameSink& sink) override;
    std::unique_ptr<QIODevice> openRead(const QString& path) override;
    std::unique_ptr<SaveTarget> openSave(const QString& path) override;

private:
    bool onPseudoFileSystem(const QByteArray& path, dev_t device);
    bool askPseudoFileSystem(const QByteArray& path);
    std::optional<int> attributesOf(const QByteArray& name, int& error);

    std::optional<std::set<unsigned long long>> m_devtmpfsDevices; // read once from the mount table
    std::unordered_map<dev_t, bool> m_pseudoDevices;
    QElapsedTimer m_kindsAge;
};
