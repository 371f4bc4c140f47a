#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A folder tree in a temporary folder, removed when the test ends. Entries are relative paths: one ending in
// "/" is a folder, "name -> target" a symbolic link, anything else a file (its folders are made as needed).
class TestTree
{
public:
    explicit TestTree(const QStringList& entries = {});
    ~TestTree();
    TestTree(const TestTree&) = delete;
    TestTree& operator=(const TestTree&) = delete;

    bool isValid() const { return m_dir.isValid(); }
    // Adds entries written as for the constructor.
    void add(const QStringList& entries);
    // The absolute path of an entry (the tree's top for ""), with the platform's separators.
    QString path(const QString& relative = QString()) const;

    void folder(const QString& relative);
    void file(const QString& relative, const QByteArray& content = QByteArray());
    void link(const QString& relative, const QString& target);
    void fifo(const QString& relative);
    // A file whose name is given as raw bytes (for names that are not UTF-8).
    void rawFile(const QByteArray& relative);
    void rawFolder(const QByteArray& relative);
    void remove(const QString& relative);

    QByteArray read(const QString& relative) const;

private:
    QTemporaryDir m_dir;
};

// The names in a folder, hidden ones included, in case-sensitive order.
QStringList namesIn(const QString& folder);

// A mount over a folder, undone when it goes: a tmpfs of 64 KiB (a disk that fills up), the folder bound
// onto itself read-only, or a fresh NTFS volume of 16 MiB (mkntfs) through ntfs-3g, as a Windows disk is
// mounted. Needs root and mount rights (and /dev/fuse with the ntfs-3g package for the Windows disk);
// isMounted() tells whether it could be made.
class TestMount
{
public:
    enum Kind { SmallDisk, ReadOnly, WindowsDisk };
    TestMount(const QString& folder, Kind kind);
    ~TestMount();
    TestMount(const TestMount&) = delete;
    TestMount& operator=(const TestMount&) = delete;
    bool isMounted() const { return m_ready; }

private:
    QByteArray m_at;
    QString m_image; // the Windows disk's volume file
    bool m_mounted = false;
    bool m_ready = false;
};
