// Reading folders ahead changes only the time: the commands list what the folders hold at their step, with
// or without the readers, and a folder changed or deleted after it was read ahead is seen as it is then.
#include "FindOracle.h"
#include "PaneEntries.h"
#include "TestTree.h"
#include "WindowHarness.h"

#include "listing/CreateList.h"

#include <QLineEdit>
#include <QtTest>

namespace {

void makeTree(TestTree& tree)
{
    for (int folder = 0; folder < 40; ++folder) {
        const QString path = QStringLiteral("f%1/g%2/").arg(folder % 5).arg(folder);
        tree.folder(path);
        for (int file = 0; file < 30; ++file)
            tree.file(path + QStringLiteral("n%1.%2").arg(file).arg(file % 2 ? "txt" : "log"));
    }
}

// What find names under the top: its folders (with the listing's trailing separator) or its files.
QStringList findSorted(const QString& top, const QString& type)
{
    QStringList lines;
    for (const QByteArray& line : findPaths({top, QStringLiteral("-type"), type, QStringLiteral("-print0")}))
        lines.append(QString::fromUtf8(line) + (type == QLatin1String("d") ? QStringLiteral("/") : QString()));
    return sorted(lines);
}

} // namespace

class TestReadAhead : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theCommandsListTheSameWithAndWithoutReaders()
    {
        TestTree tree;
        makeTree(tree);
        QStringList folders[2], results[2];
        for (const int threads : {0, 4}) {
            WindowHarness h(threads);
            h.start();
            h.dialogs.folderNext(tree.path());
            h.click(6);
            h.window().Text1()->setText(QStringLiteral("*"));
            h.click(5);
            folders[threads > 0] = h.folderEntries();
            results[threads > 0] = h.resultEntries();
        }
        QCOMPARE(folders[1], folders[0]);
        QCOMPARE(results[1], results[0]);
        QCOMPARE(sorted(folders[0]), findSorted(tree.path(), QStringLiteral("d")));
        QCOMPARE(sorted(results[0]), findSorted(tree.path(), QStringLiteral("f")));
    }

    // The readers have read every folder before the first pass; then one folder loses a file and gains one,
    // and another goes. The listing shows the folders as they are at their passes.
    void foldersChangedAfterBeingReadAheadAreListedAsTheyAre()
    {
        TestTree tree({"a/1.txt", "a/2.txt", "b/3.txt", "c/4.txt", "c/5.txt"});
        WindowHarness h;
        h.start();
        for (const char* folder : {"a", "b", "c"})
            h.form().FolderList.append(tree.path(QString::fromLatin1(folder)) + QChar(u'/'));
        h.window().Text1()->setText(QStringLiteral("*"));
        h.yield.at(1, [&] {
            h.files.readers().waitUntilIdle();
            tree.remove(QStringLiteral("c/4.txt"));
            tree.file(QStringLiteral("c/6.txt"));
            tree.remove(QStringLiteral("b"));
        });
        h.click(5);
        QCOMPARE(sorted(h.resultEntries()),
                 QStringList({tree.path("a/1.txt"), tree.path("a/2.txt"), tree.path("c/5.txt"), tree.path("c/6.txt")}));
    }

    // The same at the file system's own level, for the walk's questions too.
    void aFolderReadAheadIsAskedAfreshAfterwards()
    {
        TestTree tree({"top/kept/", "top/gone/", "top/x.txt"});
        PosixFileSystem files(2, /*always*/ true);
        {
            const auto ahead = files.readAhead(/*subfolders*/ true);
            ahead->want(tree.path("top"));
            files.readers().waitUntilIdle();
        }
        tree.remove(QStringLiteral("top/gone"));
        tree.folder(QStringLiteral("top/new/"));
        tree.file(QStringLiteral("top/y.txt"));
        QStringList subfolders;
        for (const QByteArray& name : files.subfolders(tree.path("top")).names)
            subfolders.append(QString::fromUtf8(name));
        subfolders.sort();
        QCOMPARE(subfolders, QStringList({"kept", "new"}));
        QVERIFY(!files.attributes(tree.path("top/gone")));
        QStringList names;
        files.listFiles(tree.path("top"), [&](std::string_view name) {
            names.append(QString::fromUtf8(name.data(), qsizetype(name.size())));
        });
        names.sort();
        QCOMPARE(names, QStringList({"x.txt", "y.txt"}));
    }
};

QTEST_MAIN(TestReadAhead)
#include "test_read_ahead.moc"
