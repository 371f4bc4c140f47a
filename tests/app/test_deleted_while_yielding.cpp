// Folders deleted from the disk while a long command yields: the walk of "1. Add Folders and Subfolders" and
// the passes of "2. Start Creating List" give the answer of what stands at each look, and always end.
#include "ErrorReports.h"
#include "TestTree.h"
#include "WindowHarness.h"

#include <QtTest>

class TestDeletedWhileYielding : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The tree A/B/C/ with a file in A. The walk yields: 1 entering A, 2 seeing B, 3 entering B, 4 seeing C,
    // 5 entering C, 6 copying C up to B's level, 7 and 8 copying B and C up to the start level.
    void folderDeletedWhileTheWalkYields_data()
    {
        QTest::addColumn<int>("yield"); // 0: nothing is deleted
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QStringList>("reports");
        QTest::newRow("nothing deleted") << 0 << QStringList{"A/", "A/B/", "A/B/C/"} << QStringList{};
        QTest::newRow("before A is listed: B is never seen") << 1 << QStringList{"A/"} << QStringList{};
        QTest::newRow("B seen, then gone: not a folder any more") << 2 << QStringList{"A/"} << QStringList{};
        QTest::newRow("just before B is entered: B is dropped") << 3 << QStringList{"A/"} << QStringList{};
        QTest::newRow("C seen, then gone with B") << 4 << QStringList{"A/"} << QStringList{};
        QTest::newRow("entering C") << 5 << QStringList{"A/"} << QStringList{};
        // A check that fails is reported, and what it guards runs as if it had held: the folder is copied.
        QTest::newRow("while B is copied up: its check fails once, B is still copied")
            << 7 << QStringList{"A/", "A/B/"} << QStringList{"GetSubDirectories2016 158"};
        QTest::newRow("while C is copied up: its check fails once, C is still copied")
            << 8 << QStringList{"A/", "A/B/", "A/B/C/"} << QStringList{"GetSubDirectories2016 158"};
    }
    void folderDeletedWhileTheWalkYields()
    {
        QFETCH(int, yield);
        QFETCH(QStringList, folders);
        QFETCH(QStringList, reports);
        TestTree tree({"A/B/C/", "A/f.txt"});
        WindowHarness h;
        h.start();
        if (yield > 0)
            h.yield.at(yield, [&] { tree.remove(QStringLiteral("A/B")); });
        h.dialogs.folderNext(tree.path("A"));
        h.click(6);

        QStringList expected;
        for (const QString& folder : folders)
            expected.append(tree.path(folder));
        QCOMPARE(h.folderEntries(), expected);
        QCOMPARE(reportPlaces(h), reports);
        QCOMPARE(otherMessages(h), QStringList{});
        QCOMPARE(h.form().MousePointer.value(), int(Pointer::Default));
    }

    // FolderList holds f/ (names 1, 2) and g/ (name 3). The listing yields: 1 at f's pass, 2 and 3 before
    // f's names, 4 at g's pass, 5 before g's name. A folder's names are all taken before the first is used.
    void folderDeletedWhileTheListingYields_data()
    {
        QTest::addColumn<int>("yield");
        QTest::addColumn<QString>("deleted");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("g, during f's names: g gives nothing, silently") << 2 << "g" << QStringList{"f/1", "f/2"};
        QTest::newRow("f, at its own pass: nothing from f") << 1 << "f" << QStringList{"g/3"};
        QTest::newRow("f, after its names were taken: all still listed")
            << 2 << "f" << QStringList{"f/1", "f/2", "g/3"};
        QTest::newRow("one file of f, after its names were taken: still listed")
            << 2 << "f/2" << QStringList{"f/1", "f/2", "g/3"};
        QTest::newRow("g, at its last name") << 5 << "g" << QStringList{"f/1", "f/2", "g/3"};
        QTest::newRow("the whole tree, at f's pass") << 1 << "" << QStringList{};
    }
    void folderDeletedWhileTheListingYields()
    {
        QFETCH(int, yield);
        QFETCH(QString, deleted);
        QFETCH(QStringList, lines);
        TestTree tree({"top/f/1", "top/f/2", "top/g/3"});
        WindowHarness h;
        h.start();
        h.form().FolderList.append(tree.path("top/f") + "/");
        h.form().FolderList.append(tree.path("top/g") + "/");
        h.yield.at(yield, [&] { tree.remove(QStringLiteral("top/") + deleted); });
        h.click(5);

        QStringList got = h.resultEntries();
        got.sort();
        QStringList expected;
        for (const QString& line : lines)
            expected.append(tree.path("top/" + line));
        QCOMPARE(got, expected);
        QCOMPARE(reportPlaces(h), QStringList{});
        QCOMPARE(otherMessages(h), QStringList{QStringLiteral("Done.")});
        QVERIFY(!h.form().CreatingList);
        QCOMPARE(h.form().MousePointer.value(), int(Pointer::Default));
    }
};

QTEST_MAIN(TestDeletedWhileYielding)
#include "test_deleted_while_yielding.moc"
