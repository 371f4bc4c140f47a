#pragma once

#include "platform/FileSystem.h"
#include "platform/posix/ReadAheadHints.h"
#include "platform/posix/Volumes.h"
#include "platform/reading/DiskTiming.h"
#include "platform/reading/FolderReadAhead.h"
#include "platform/shares/ShareCalls.h"
#include "platform/shares/ShareReaders.h"

#include <QFile>

#include <cstdint>
#include <sys/types.h>

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
// neither enters the kernel's folders nor follows a link. The link the user picked is directory + link
// (1040) instead, and leads to its folder. A Windows disk (NTFS through ntfs-3g or the kernel's driver, FAT,
// exFAT) hands out the folder's own attribute bits, all of them, which then count in place of the name; what
// that costs is paid on such disks only. The root folders are "/" and the root of a mounted Windows disk.
// Listing fails as permission denied for EACCES and EPERM, as path not found for ENOENT and ENOTDIR.
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
    FolderInfo GetFolder(const QString& path, Links links) override;
    SubfolderListing subfolders(const QString& path) override;
    void listFiles(const QString& folder, const NameSink& sink) override;
    SubfolderListing listFolder(const QString& folder, const NameSink& files) override;
    std::unique_ptr<ReadAhead> readAhead(bool subfolders) override;
    // The readers of local disks and of shares, started at the first hint; for tests that wait for them.
    FolderReadAhead& readers();
    FolderReadAhead& shareReaders();
    // On a share the batch is looked up by many threads at once, in one wait.
    void fileFacts(const QByteArray& paths, std::vector<FileFacts>& facts) override;
    // Files on shares are handed to the readers of shares, a folder's run of them a reader.
    void factsAhead(const QByteArray& paths) override;
    std::unique_ptr<QIODevice> openRead(const QString& path) override;
    std::unique_ptr<SaveTarget> openSave(const QString& path) override;
    // Calls on paths that may hang, by where they lead (see MountTable), are made through the waiter, where there
    // is one; on local disks only a save's commit is, which waits for the disk, and the look at where a listed
    // link leads onto a share.
    void setWaiter(CallWaiter* waiter) { m_calls.setWaiter(waiter); }

private:
    // A listing made on the program's thread, not the waiter's, looks up where a link among the entries leads
    // through the waiter where it may lead onto a share.
    SubfolderListing subfoldersOf(const QByteArray& name, bool onProgramThread);
    // One reading of the folder: its subfolders answered, its other names handed to `files` where given.
    SubfolderListing readFolder(const QByteArray& name, bool onProgramThread, const NameSink* files);
    void listFilesOf(const QByteArray& name, const NameSink& sink, bool onProgramThread);
    // The type of what the entry `entry` of the folder `name`, open as `folder`, leads to.
    bool followedType(int folder, const QByteArray& name, const char* entry, bool onProgramThread, mode_t& mode);
    std::unique_ptr<QFile> openReadOf(const QByteArray& name);

    // The attributes of the folder or file `name`; nothing, with `error` set, when it cannot be looked at.
    std::optional<FolderInfo> lookAt(const QByteArray& name, Links links, int& error);

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
        qint64 m_openedAt = 0;
    };
    OpenFolder m_openFolder;
    // The bytes of a folder's path as the calls about it take them: without trailing separators, so that a
    // link is looked at and not its target. A command asks about one folder several times in a row: the last
    // answer is kept.
    QByteArray folderName(const QString& path);
    QString m_namedPath;
    QByteArray m_folderName;

    DiskReaders m_diskReaders;
    bool m_alwaysReadAhead;
    DiskTiming m_timing;
    ShareReaders m_shareReaders;

    ShareCalls m_calls;
    Volumes m_volumes{m_calls.mounts()};
};
