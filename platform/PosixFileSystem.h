#pragma once

#include "platform/FileSystem.h"
#include "platform/FolderReadAhead.h"

#include <QElapsedTimer>

#include <cstdint>
#include <set>
#include <sys/types.h>
#include <unordered_map>

// The file system through the POSIX calls: names are read as stored, whatever their encoding, at any path
// length, with one folder being listed at a time.
//
// A name is looked up in its folder as opened a moment ago, when there is one, instead of along its whole
// path: the walk and the listing ask about many names of one folder in a row. The open folder stands for its
// path for 2 ms only, so a folder renamed or replaced meanwhile is seen as soon as a lookup of the path
// would see it at the command's next step.
//
// Folders report the attributes the folder walk compares: directory 16, plus hidden 2 for a name that
// begins with "."; a folder on a kernel pseudo file system (proc, sysfs, devtmpfs and the like) is
// hidden + system (22), and a link to a folder is hidden + system + directory + link (1046), so a walk
// neither enters the kernel's folders nor follows a link. The one root folder is "/". Listing fails as
// permission denied for EACCES and EPERM, as path not found for ENOENT and ENOTDIR.
class PosixFileSystem : public FileSystem
{
public:
    // Reads ahead on a few threads where there is more than one core, once a command's listing has waited
    // for the disk; `alwaysReadAhead` reads ahead from the first hint on.
    static int defaultReadAheadThreads();
    explicit PosixFileSystem(int readAheadThreads = defaultReadAheadThreads(), bool alwaysReadAhead = false);

    bool PathExists(const QString& path) override;
    bool isNormalFile(const QString& path) override;
    QByteArray readAll(const QString& path) override;
    std::optional<int> attributes(const QString& path) override;
    FolderInfo GetFolder(const QString& path) override;
    SubfolderListing subfolders(const QString& path) override;
    void listFiles(const QString& folder, const NameSink& sink) override;
    std::unique_ptr<ReadAhead> readAhead(bool subfolders) override;
    // The readers, started at the first hint; for tests that wait for them.
    FolderReadAhead& readers();
    std::unique_ptr<QIODevice> openRead(const QString& path) override;
    std::unique_ptr<SaveTarget> openSave(const QString& path) override;

private:
    bool onPseudoFileSystem(const QByteArray& path, dev_t device);
    bool askPseudoFileSystem(const QByteArray& path);
    std::optional<int> attributesOf(const QByteArray& name, int& error);
    // The folder that holds `name` opened for lookups, and the last part of `name`; AT_FDCWD and the whole
    // name where there is no such folder or it cannot be opened.
    struct InFolder
    {
        int folder;
        const char* name;
    };
    InFolder inFolder(const QByteArray& name);

    class OpenFolder
    {
    public:
        ~OpenFolder();
        int fd(QByteArrayView path);

    private:
        QByteArray m_path;
        int m_fd = -1;
        QElapsedTimer m_age;
    };
    OpenFolder m_openFolder;
    int m_readAheadThreads;
    bool m_alwaysReadAhead;
    std::uint64_t m_listings = 0;
    std::uint64_t m_readsFromDisk = 0; // listings that waited for the disk
    std::unique_ptr<FolderReadAhead> m_readers;

    std::optional<std::set<unsigned long long>> m_devtmpfsDevices; // read once from the mount table
    std::unordered_map<dev_t, bool> m_pseudoDevices;
    QElapsedTimer m_kindsAge;
};
