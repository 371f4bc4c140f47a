// The subfolder walk's edges: names that are not UTF-8, the path limit, faults placed in the file system, and
// which folders are dropped or spared. Its rows over real trees, picked through the window, are in
// test_add_folders.
#include "ErrorReports.h"
#include "FolderOrder.h"
#include "TestTree.h"
#include "WindowHarness.h"
#include "base/PathStyle.h"
#include "folders/SubfolderWalk.h"

#include <QtTest>

#include <climits>

namespace {

// The longest path the kernel takes, and a path's length as it counts it: the bytes of the encoded name.
constexpr qsizetype kKernelLimit = PATH_MAX;
qsizetype bytesOf(const QString& path)
{
    return QFile::encodeName(path).size();
}

// Entries relative to the tree's top, as the rows name them.
QStringList relative(const TestTree& tree, const std::vector<QString>& list)
{
    QStringList entries;
    for (const QString& path : list)
        entries.append(path.startsWith(tree.path() + u'/') ? path.mid(tree.path().size() + 1) : path);
    return entries;
}

// The expected entries in the order the walk must give them: breadth-first, as the tree enumerates.
QStringList expectedOrder(const TestTree& tree, const QStringList& expected)
{
    QStringList absolute;
    for (const QString& entry : expected)
        absolute.append(tree.path(entry));
    QStringList ordered;
    for (const QString& path : inOrderOf(absolute, breadthFirstFolders(tree.path())))
        ordered.append(path.mid(tree.path().size() + 1));
    return ordered;
}

// What "1. Add Folders and Subfolders" appends for the start picked in the chooser.
QStringList walk(WindowHarness& h, const TestTree& tree, const QString& start)
{
    h.dialogs.folderNext(tree.path(start));
    h.click(6);
    const QStringList entries = h.folderEntries();
    return relative(tree, std::vector<QString>(entries.begin(), entries.end()));
}

enum Fault {
    DeniedListing,
    DeniedFolder,
    MissingListing,
    OtherListing,
    OtherFolder,
    DeniedAfterNames,
    OtherAfterNames,
    Value22,
    Value54,
    Value1046,
    Root22,
};

} // namespace

class TestSubfolderWalk : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nameThatIsNotUtf8IsSkippedWithAllBelowIt()
    {
        TestTree folders({"A/ok/"});
        folders.rawFolder("A/bad\xff");
        folders.rawFolder("A/bad\xff/inner");
        folders.rawFolder("A/half\xc3");
        WindowHarness h;
        h.start();
        QCOMPARE(walk(h, folders, "A"), (QStringList{"A/", "A/ok/"}));
        QVERIFY(h.dialogs.messages().isEmpty());
    }

    // A start folder whose path holds a NUL is not entered, as a missing one: nothing of the folder named by
    // the part before the NUL is listed.
    void aPathHoldingANulIsNotFound()
    {
        TestTree folders({"A/B/", "A/C/"});
        WindowHarness h;
        h.start();
        const std::vector<QString> start{folders.path("A") + QChar(u'\0') + QStringLiteral("/B/")};
        std::vector<QString> list = start;
        GetSubDirectories2016(h.form().reporter, h.files, h.yield, list, true);
        QCOMPARE(list, start);
        QVERIFY(h.dialogs.messages().isEmpty());
    }

    // A folder path that reaches the limit is listed but not entered; one unit shorter is entered.
    void pathAtTheLimitIsListedButNotEntered()
    {
        TestTree folders({"A/"});
        QString chain = folders.path("A") + u'/';
        // Folders of 200 characters bring the path to between 401 and 200 short of the limit.
        while (bytesOf(chain) + 201 < kKernelLimit - 200) {
            chain += QString(200, u'd') + u'/';
            QVERIFY(QDir().mkdir(chain));
        }
        const QString parent = chain + QString(kKernelLimit - bytesOf(chain) - 160, u'e') + u'/';
        const QString atLimit = parent + QString(kKernelLimit - bytesOf(parent) - 1, u'f') + u'/';
        const QString shorter = parent + QString(kKernelLimit - bytesOf(parent) - 2, u'g') + u'/';
        QVERIFY(QDir().mkdir(parent));
        QVERIFY(QDir().mkdir(atLimit));
        QVERIFY(QDir().mkdir(shorter));
        QCOMPARE(bytesOf(atLimit), kKernelLimit);
        QCOMPARE(bytesOf(shorter), kKernelLimit - 1);

        WindowHarness h;
        h.start();
        QStringList listed;
        h.files.before = [&](FaultyFileSystem::Op op, const QString& path) {
            if (op == FaultyFileSystem::Op::Subfolders)
                listed.append(path);
        };
        h.dialogs.folderNext(folders.path("A"));
        h.click(6);
        const QStringList entries = h.folderEntries();
        QVERIFY(entries.contains(atLimit));
        QVERIFY(entries.contains(shorter));
        QVERIFY(listed.contains(shorter));
        QVERIFY(!listed.contains(atLimit));
        QVERIFY(h.dialogs.messages().isEmpty());
    }

    // The limit counts bytes of the UTF-8 name, as the kernel does.
    void pathLimitCountsBytes()
    {
        QCOMPARE(nativePathLength(QString::fromUtf16(u"/\u00e9\u4e2d/")), 1 + 2 + 3 + 1);
        QCOMPARE(nativePathLength(QString::fromUtf16(u"\U0001F4C1")), 4);
    }

    void faultsDropOrSpareFolders_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("reports");
        const QStringList all{"A/", "A/B/", "A/C/", "A/B/D/", "A/C/E/"};
        const QStringList withoutB{"A/", "A/C/", "A/C/E/"};
        QTest::newRow("start folder, permission denied") << int(DeniedListing) << "A" << QStringList{} << QStringList{};
        QTest::newRow("start folder refused when fetched")
            << int(DeniedFolder) << "A" << QStringList{} << QStringList{};
        QTest::newRow("start folder, path not found") << int(MissingListing) << "A" << QStringList{} << QStringList{};
        QTest::newRow("start folder, other failure") << int(OtherListing) << "A" << QStringList{"A/"} << QStringList{};
        QTest::newRow("one child, permission denied") << int(DeniedListing) << "A/B" << withoutB << QStringList{};
        QTest::newRow("one child, path not found") << int(MissingListing) << "A/B" << withoutB << QStringList{};
        QTest::newRow("one child, other failure")
            << int(OtherListing) << "A/B" << QStringList{"A/", "A/B/", "A/C/", "A/C/E/"} << QStringList{};
        QTest::newRow("grandchild, permission denied")
            << int(DeniedListing) << "A/C/E" << QStringList{"A/", "A/B/", "A/C/", "A/B/D/"} << QStringList{};
        QTest::newRow("child denied after its names")
            << int(DeniedAfterNames) << "A/B" << QStringList{"A/", "A/C/", "A/B/D/", "A/C/E/"} << QStringList{};
        QTest::newRow("child broken off after its names") << int(OtherAfterNames) << "A/B" << all << QStringList{};
        // The child stays and is not entered; copying it up asks again, which fails with a report.
        QTest::newRow("child fails when fetched")
            << int(OtherFolder) << "A/B" << QStringList{"A/", "A/B/", "A/C/", "A/C/E/"}
            << QStringList{"AddFolder.GetSubDirectories2016 158: Listing refused"};
        QTest::newRow("hidden system child (22)") << int(Value22) << "A/B" << withoutB << QStringList{};
        QTest::newRow("hidden system archived child (54)") << int(Value54) << "A/B" << all << QStringList{};
        QTest::newRow("hidden system link (1046)") << int(Value1046) << "A/B" << withoutB << QStringList{};
        QTest::newRow("start valued 22 stays, not entered")
            << int(Value22) << "A" << QStringList{"A/"} << QStringList{};
        QTest::newRow("start valued 1046 stays, not entered")
            << int(Value1046) << "A" << QStringList{"A/"} << QStringList{};
        QTest::newRow("root valued 22 is entered") << int(Root22) << "A" << all << QStringList{};
    }
    void faultsDropOrSpareFolders()
    {
        QFETCH(int, fault);
        QFETCH(QString, target);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, reports);
        TestTree folders({"A/B/D/", "A/C/E/"});
        WindowHarness h;
        h.start();
        const QString path = folders.path(target);
        using Kind = ListingFailure::Kind;
        using Op = FaultyFileSystem::Op;
        switch (Fault(fault)) {
        case DeniedListing: h.files.failListing(Op::Subfolders, path, Kind::PermissionDenied); break;
        case DeniedFolder: h.files.failListing(Op::GetFolder, path, Kind::PermissionDenied); break;
        case MissingListing: h.files.failListing(Op::Subfolders, path, Kind::PathNotFound); break;
        case OtherListing: h.files.failListing(Op::Subfolders, path, Kind::Other); break;
        case OtherFolder: h.files.failListing(Op::GetFolder, path, Kind::Other); break;
        case DeniedAfterNames: h.files.failSubfoldersAfterNames(path, Kind::PermissionDenied); break;
        case OtherAfterNames: h.files.failSubfoldersAfterNames(path, Kind::Other); break;
        case Value22: h.files.setAttributes(path, 22); break;
        case Value54: h.files.setAttributes(path, 54); break;
        case Value1046: h.files.setAttributes(path, 1046); break;
        case Root22:
            h.files.setAttributes(path, 22);
            h.files.setRoot(path);
            break;
        }
        QCOMPARE(walk(h, folders, "A"), expectedOrder(folders, expected));
        QCOMPARE(reportLines(h), reports);
    }

    // The start folder appears twice: the failure drops its first entry, and the walk goes on with the entry
    // that followed the failing one.
    void droppingRemovesTheFirstEqualEntry()
    {
        TestTree folders({"A/B/", "Z/Y/"});
        WindowHarness h;
        h.start();
        const QString a = folders.path("A") + u'/', z = folders.path("Z") + u'/';
        h.files.failListing(FaultyFileSystem::Op::Subfolders, a, ListingFailure::Kind::PermissionDenied);
        std::vector<QString> list{a, z, a};
        GetSubDirectories2016(h.form().reporter, h.files, h.yield, list, true);
        QCOMPARE(relative(folders, list), (QStringList{"Z/", "Z/Y/"}));
    }

    void withoutRecursionOneLevel()
    {
        TestTree folders({"A/B/D/", "A/C/"});
        WindowHarness h;
        h.start();
        std::vector<QString> list{folders.path("A") + u'/'};
        GetSubDirectories2016(h.form().reporter, h.files, h.yield, list, false);
        QCOMPARE(relative(folders, list), expectedOrder(folders, {"A/", "A/B/", "A/C/"}));
    }

    // A folder is asked about afresh when it is copied up a level: one that went away while the walk
    // yielded is not copied. (Answers kept from its examination used to copy folders that were gone.)
    void aFolderGoneBeforeItsCopyIsNotCopied()
    {
        TestTree folders({"A/B/C/"});
        WindowHarness h;
        h.start();
        // Yields 1 to 5 enter A, see B, enter B, see C, enter C; yield 6 comes as C is copied up a level, so
        // C's own check there fails (one report) while B and C are not copied onto the start level.
        h.yield.at(6, [&] { folders.remove(QStringLiteral("A/B")); });
        const QStringList walked = walk(h, folders, "A");
        QCOMPARE(walked, QStringList({QStringLiteral("A/")}));
        QCOMPARE(reportPlaces(h), QStringList{"GetSubDirectories2016 158"});
    }
};

QTEST_MAIN(TestSubfolderWalk)
#include "test_subfolder_walk.moc"
