#pragma once

#include "platform/posix/PosixFileSystem.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The real file system with faults placed per path, for what a test cannot make the kernel do as root:
// permission denied, a failing listing, attribute values of another platform, a read error after some
// bytes, a disk that fills up. Paths match with or without a trailing separator.
class FaultyFileSystem : public PosixFileSystem
{
public:
    // Reads ahead from the first hint on, so that every test runs with the readers busy beside the command.
    explicit FaultyFileSystem(int readAheadThreads = 4) : PosixFileSystem(readAheadThreads, /*always*/ true) {}

    enum class Op {
        PathExists,
        IsNormalFile,
        ReadAll,
        Attributes,
        GetFolder,
        Subfolders,
        ListFiles,
        OpenRead,
        OpenSave,
        FileFacts // once a path of the batch
    };

    // The operation on the path throws a Failure with the description.
    void fail(Op op, const QString& path, const QString& description);
    // The listing operations (GetFolder, Subfolders) throw a ListingFailure of that kind.
    void failListing(Op op, const QString& path, ListingFailure::Kind kind);
    // The subfolder listing of the path gives its names but then reports a failure of that kind.
    void failSubfoldersAfterNames(const QString& path, ListingFailure::Kind kind);
    // The attribute value and root flag that the path reports.
    void setAttributes(const QString& path, int value) { m_attributes[key(path)] = value; }
    void setRoot(const QString& path) { m_roots.insert(key(path), true); }
    // Reading the file fails once `bytes` bytes have been read.
    void failReadAfter(const QString& path, qint64 bytes) { m_readLimits[key(path)] = bytes; }
    // Writing in place of the file fails once `bytes` bytes have been written (a full disk).
    void failWriteAfter(const QString& path, qint64 bytes) { m_writeLimits[key(path)] = bytes; }
    // The path cannot be opened or listed, and nothing below it can be reached, as for a folder or file of
    // mode 000 to a user without privileges: the path itself can still be looked at.
    void denyAccess(const QString& path) { m_denied.append(key(path)); }
    // The path and everything below it are gone for every operation, though they stay on disk.
    void hide(const QString& path) { m_hidden.append(key(path)); }
    // The path is removed from the disk right after the operation on it answered: a file or folder that
    // vanishes between one look at it and the next.
    void vanishAfter(Op op, const QString& path) { m_vanishing[faultKey(op, key(path))] = true; }
    // The file listing of the folder gives this name too, after the real ones, as a platform might.
    void addName(const QString& folder, const QByteArray& name) { m_extraNames[key(folder)].append(name); }
    // Runs before every operation, e.g. to remove a file between its listing and its use.
    std::function<void(Op, const QString&)> before;

    int calls(Op op) const { return m_calls.value(int(op)); }

    bool PathExists(const QString& path) override;
    bool isNormalFile(const QString& path) override;
    QByteArray readAll(const QString& path) override;
    std::optional<int> attributes(const QString& path) override;
    FolderInfo GetFolder(const QString& path, Links links) override;
    SubfolderListing subfolders(const QString& path) override;
    void listFiles(const QString& folder, const NameSink& sink) override;
    void fileFacts(const QByteArray& paths, std::vector<::FileFacts>& facts) override;
    std::unique_ptr<QIODevice> openRead(const QString& path) override;
    std::unique_ptr<SaveTarget> openSave(const QString& path) override;

private:
    struct Fault
    {
        QString description;
        std::optional<ListingFailure::Kind> listing;
        bool afterNames = false;
    };
    static QString key(const QString& path);
    static QString faultKey(Op op, const QString& path);
    void enter(Op op, const QString& path);
    // Throws what the kernel would for a denied or hidden path.
    void refuse(Op op, const QString& path);
    void leave(Op op, const QString& path);

    QMap<QString, Fault> m_faults; // key: op number + path
    QMap<QString, int> m_attributes;
    QMap<QString, bool> m_roots;
    QMap<QString, qint64> m_readLimits;
    QMap<QString, qint64> m_writeLimits;
    QMap<int, int> m_calls;
    QStringList m_denied;
    QStringList m_hidden;
    QMap<QString, bool> m_vanishing; // key: op number + path
    QMap<QString, QList<QByteArray>> m_extraNames;
};
