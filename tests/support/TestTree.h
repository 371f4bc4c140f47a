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
