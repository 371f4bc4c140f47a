// "1. Add Folders and Subfolders" through the window: the chooser, the start folder, what the folder pane
// gets, and the busy pointer during the walk.
#include "ErrorReports.h"
#include "FindOracle.h"
#include "FolderOrder.h"
#include "TestTree.h"
#include "WindowHarness.h"
#include "folders/FolderPaneEditing.h"
#include "platform/posix/PosixFileSystem.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

namespace {

QStringList under(const TestTree& tree, const QStringList& relative)
{
    QStringList paths;
    for (const QString& entry : relative)
        paths.append(tree.path(entry));
    return inOrderOf(paths, breadthFirstFolders(tree.path()));
}

void storeStartFolder(WindowHarness& h, const QString& value)
{
    h.settings.store().write(kSettingsApplication, kSettingsSection, QStringLiteral("LastFolderDot"), value);
}

} // namespace

class TestAddFolders : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cancelLeavesEverythingUntouched()
    {
        WindowHarness h;
        h.start();
        h.form().FolderList.append(QStringLiteral("kept"));
        h.dialogs.folderNext(QString());
        h.click(6);
        QCOMPARE(h.folderEntries(), QStringList{"kept"});
        QCOMPARE(h.form().MousePointer.value(), Pointer::Default);
        QVERIFY(h.dialogs.messages().isEmpty());
        QCOMPARE(h.dialogs.calls().size(), std::size_t(1));
        QCOMPARE(h.dialogs.calls().front().text, QStringLiteral("Please select folder:"));
    }

    void chooserOpensAtTheStoredStartFolder_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<QString>("value");
        QTest::newRow("no value stored") << false << QString();
        QTest::newRow("a folder") << true << QStringLiteral("/srv/data");
        QTest::newRow("the empty string") << true << QString();
        QTest::newRow("a folder that is gone") << true << QStringLiteral("/no/such/folder");
    }
    void chooserOpensAtTheStoredStartFolder()
    {
        QFETCH(bool, stored);
        QFETCH(QString, value);
        WindowHarness h;
        h.start();
        if (stored)
            storeStartFolder(h, value);
        const int writes = h.settings.writes;
        h.dialogs.folderNext(QString());
        h.click(6);
        QCOMPARE(h.dialogs.calls().front().extra, value);
        // The key is only ever read.
        QCOMPARE(h.settings.writes, writes);
        QCOMPARE(h.settings.store().read(kSettingsApplication, kSettingsSection, QStringLiteral("LastFolderDot")),
                 stored ? std::optional<QString>(value) : std::nullopt);
    }

    void unreadableStartFolderKeepsTheLastRunsValue()
    {
        WindowHarness h;
        h.start();
        storeStartFolder(h, QStringLiteral("/first"));
        h.dialogs.folderNext(QString());
        h.click(6);
        storeStartFolder(h, QStringLiteral("/second"));
        h.settings.failReads = true;
        h.dialogs.folderNext(QString());
        h.click(6);
        QCOMPARE(h.dialogs.calls().back().extra, QStringLiteral("/first"));
        QCOMPARE(reportLines(h), QStringList{"Form1.PushButton6_Click 100: The settings cannot be read."});
    }

    // The picked folder and every usable folder below it, breadth-first as the tree enumerates; a start that
    // cannot be entered stays alone.
    void appendsThePickedFolderAndAllBelow_data()
    {
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("picks"); // how often the same folder is picked
        QTest::newRow("picked twice, listed twice")
            << QStringList{"A/B/", "A/C/"} << "A" << QStringList{"A/", "A/B/", "A/C/"} << 2;
        QTest::newRow("folder without subfolders") << QStringList{"A/x.txt"} << "A" << QStringList{"A/"} << 1;
        QTest::newRow("A, B, C, D, E") << QStringList{"A/B/D/", "A/C/E/"} << "A"
                                       << QStringList{"A/", "A/B/", "A/C/", "A/B/D/", "A/C/E/"} << 1;
        QTest::newRow("three levels, grouped by parent")
            << QStringList{"A/p/x/1/", "A/p/y/", "A/q/z/2/", "A/q/z/3/", "A/r/"} << "A"
            << QStringList{"A/",     "A/p/",   "A/q/",     "A/r/",     "A/p/x/",
                           "A/p/y/", "A/q/z/", "A/p/x/1/", "A/q/z/2/", "A/q/z/3/"}
            << 1;
        QTest::newRow("files are no folders")
            << QStringList{"A/a.txt", "A/B/b.txt", "A/.c"} << "A" << QStringList{"A/", "A/B/"} << 1;
        QTest::newRow("dot-folders are listed and entered")
            << QStringList{"A/.hidden/inner/", "A/..two/"} << "A"
            << QStringList{"A/", "A/.hidden/", "A/..two/", "A/.hidden/inner/"} << 1;
        QTest::newRow("spaces, accents, code 160 and emoji are accepted")
            << QStringList{"A/with space/", QString::fromUtf8("A/\xc3\xa9t\xc3\xa9/"),
                           QString::fromUtf16(u"A/nb\u00a0sp/"), QString::fromUtf8("A/\xf0\x9f\x93\x81/"), "A/~tilde/"}
            << "A"
            << QStringList{"A/",
                           "A/with space/",
                           QString::fromUtf8("A/\xc3\xa9t\xc3\xa9/"),
                           QString::fromUtf16(u"A/nb\u00a0sp/"),
                           QString::fromUtf8("A/\xf0\x9f\x93\x81/"),
                           "A/~tilde/"}
            << 1;
        QTest::newRow("control character, nothing below")
            << QStringList{"A/tab\tname/inner/", "A/ok/"} << "A" << QStringList{"A/", "A/ok/"} << 1;
        QTest::newRow("line feed") << QStringList{"A/two\nlines/", "A/ok/"} << "A" << QStringList{"A/", "A/ok/"} << 1;
        QTest::newRow("code 127") << QStringList{QString::fromUtf16(u"A/del\u007f/"), "A/ok/"} << "A"
                                  << QStringList{"A/", "A/ok/"} << 1;
        QTest::newRow("C1 codes 128 and 159")
            << QStringList{QString::fromUtf16(u"A/c\u0080/x/"), QString::fromUtf16(u"A/c\u009f/"),
                           QString::fromUtf16(u"A/c\u0085/"), "A/ok/"}
            << "A" << QStringList{"A/", "A/ok/"} << 1;
        QTest::newRow("question mark, nothing below")
            << QStringList{"A/what?/x/", "A/?/", "A/ok/"} << "A" << QStringList{"A/", "A/ok/"} << 1;
        QTest::newRow("start that does not exist stays")
            << QStringList{"A/"} << "missing" << QStringList{"missing/"} << 1;
        QTest::newRow("start that is a file stays") << QStringList{"f.txt"} << "f.txt" << QStringList{"f.txt/"} << 1;
        QTest::newRow("start that is a dangling link stays")
            << QStringList{"A/", "L -> gone"} << "L" << QStringList{"L/"} << 1;
        QTest::newRow("start with a dot name is entered")
            << QStringList{".A/B/"} << ".A" << QStringList{".A/", ".A/B/"} << 1;
    }
    void appendsThePickedFolderAndAllBelow()
    {
        QFETCH(QStringList, tree);
        QFETCH(QString, start);
        QFETCH(QStringList, expected);
        QFETCH(int, picks);
        TestTree folders(tree);
        WindowHarness h;
        h.start();
        QStringList all;
        for (int pick = 0; pick < picks; ++pick) {
            h.dialogs.folderNext(folders.path(start));
            h.click(6);
            all += under(folders, expected);
        }
        QCOMPARE(h.folderEntries(), all);
        for (const QString& entry : h.folderEntries())
            QVERIFY2(entry.endsWith(u'/') && !entry.endsWith(QStringLiteral("//")), qPrintable(entry));
        QCOMPARE(h.form().MousePointer.value(), Pointer::Default);
        QVERIFY(h.dialogs.messages().isEmpty());
    }

    // A picked link is walked as the folder it leads to, under the picked path; links below it are neither
    // listed nor entered, so no link makes the walk loop. The rows are those of `find -H`.
    void linksAreFollowedWherePickedOnly_data()
    {
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<QString>("start");
        QTest::addColumn<int>("rows"); // counted by hand, so that the tree is what the row believes
        QTest::newRow("a picked link") << QStringList{"T/a/b/", "T/c/", "L -> T"} << "L" << 4;
        QTest::newRow("a picked chain of links") << QStringList{"T/a/", "L1 -> T", "L2 -> L1"} << "L2" << 2;
        QTest::newRow("a picked link to its own ancestor")
            << QStringList{"P/sub/deeper/", "P/sub/L -> .."} << "P/sub/L" << 3;
        QTest::newRow("a picked link to the folder that holds it")
            << QStringList{"P/x/", "P/self -> ."} << "P/self" << 2;
        QTest::newRow("a picked link whose folder links back to it")
            << QStringList{"T/a/", "T/a/back -> ../../L", "L -> T"} << "L" << 2;
        QTest::newRow("a link below, to a folder outside")
            << QStringList{"A/real/", "T/t1/", "A/link -> ../T"} << "A" << 2;
        QTest::newRow("links below, to the parent and to itself")
            << QStringList{"A/B/", "A/B/up -> ..", "A/self -> ."} << "A" << 2;
        QTest::newRow("links below, to a file and to nothing")
            << QStringList{"A/f.txt", "A/fl -> f.txt", "A/dead -> no"} << "A" << 1;
    }
    void linksAreFollowedWherePickedOnly()
    {
        QFETCH(QStringList, tree);
        QFETCH(QString, start);
        QFETCH(int, rows);
        TestTree folders(tree);
        const QString top = folders.path(start);
        WindowHarness h;
        h.start();
        h.dialogs.folderNext(top);
        h.click(6);
        const QStringList expected = findFolders(top);
        QCOMPARE(expected.size(), rows);
        QCOMPARE(h.folderEntries(), inOrderOf(expected, breadthFirstFolders(top)));
        QVERIFY(h.dialogs.messages().isEmpty());
    }

    // On a Windows disk a folder's own bits count, not its name: hidden + system (22) is neither listed nor
    // entered, with the recycle bin's files below it; the same with the archive bit (54), the read-only bit
    // (23), compressed (2070) or not content-indexed (8214) is both, and so is a dot-name. The disk's root is
    // entered though Windows marked it hidden + system.
    void windowsDiskKeepsItsAttributes()
    {
        TestTree folders;
        TestMount disk(folders.path(), TestMount::WindowsDisk);
        if (!disk.isMounted())
            QSKIP("no NTFS volume can be mounted here: it needs root, /dev/fuse, mkntfs and ntfs-3g");
        folders.add({"System Volume Information/tracking/", "$RECYCLE.BIN/S-1-5-21/deleted.txt", "archived/inner/",
                     "read-only/inner/", "plain/.dot/", "plain/kept.txt", "compressed/inner/", "not indexed/inner/"});
        const QList<std::pair<QString, QString>> attributes{{"", "0x00000016"},
                                                            {"System Volume Information", "0x00000016"},
                                                            {"$RECYCLE.BIN", "0x00000016"},
                                                            {"archived", "0x00000036"},
                                                            {"read-only", "0x00000017"},
                                                            {"compressed", "0x00000816"},
                                                            {"not indexed", "0x00002016"}};
        for (const auto& [folder, value] : attributes) {
            QProcess setfattr;
            setfattr.start("setfattr", {"-n", "system.ntfs_attrib_be", "-v", value, folders.path(folder)});
            QVERIFY2(setfattr.waitForFinished() && setfattr.exitCode() == 0, setfattr.readAllStandardError());
        }
        WindowHarness h;
        h.start();
        h.dialogs.folderNext(folders.path());
        h.click(6);
        QCOMPARE(h.folderEntries(), QStringList{folders.path() + u'/'} +
                                        under(folders, {"archived/", "read-only/", "plain/", "archived/inner/",
                                                        "read-only/inner/", "plain/.dot/", "compressed/",
                                                        "not indexed/", "compressed/inner/", "not indexed/inner/"}));
        h.click(5);
        QCOMPARE(h.resultEntries(), QStringList{folders.path("plain/kept.txt")});
        QCOMPARE(otherMessages(h), QStringList{"Done."});
    }

    void folderThatCannotBeListedAddsNothing()
    {
        TestTree folders({"A/B/"});
        WindowHarness h;
        h.start();
        h.files.failListing(FaultyFileSystem::Op::Subfolders, folders.path("A"),
                            ListingFailure::Kind::PermissionDenied);
        h.dialogs.folderNext(folders.path("A"));
        h.click(6);
        QVERIFY(h.folderEntries().isEmpty());
        QCOMPARE(h.form().MousePointer.value(), Pointer::Default);
        QVERIFY(h.dialogs.messages().isEmpty());
    }

    // A second run started from within the walk completes and appends before the first one does.
    void nestedRunAppendsFirst()
    {
        TestTree folders({"A/B/", "Z/Y/"});
        WindowHarness h;
        h.start();
        h.dialogs.folderNext(folders.path("A"));
        h.dialogs.folderNext(folders.path("Z"));
        h.yield.at(1, [&] { h.click(6); });
        h.click(6);
        QCOMPARE(h.folderEntries(), under(folders, {"Z/", "Z/Y/"}) + under(folders, {"A/", "A/B/"}));
        QCOMPARE(h.form().MousePointer.value(), Pointer::Default);
    }

    // Everything the kernel calls a folder, less what the rules leave out, in breadth-first order.
    void appendsWhatFindListsLessTheExcluded()
    {
        TestTree folders({"top/a/a1/a11/", "top/a/a2/", "top/b/b1/", "top/b/.b2/deep/", "top/c/", "top/.dot/x/",
                          "top/sp ace/", "top/a/a1/f.txt", "top/tab\tname/below/", "top/what?/below/", "top/link -> b",
                          "top/b/b1/up -> ../..", "outside/o1/", "top/c/out -> ../../outside"});
        folders.folder(QString::fromUtf16(u"top/c/c1\u0085/below/"));
        folders.folder(QString::fromUtf16(u"top/c/\u00e9\u4e2d/"));
        folders.rawFolder("top/a/latin\xe9");
        folders.rawFolder("top/a/latin\xe9/below");
        const QString top = folders.path("top");
        const QStringList excluded{top + "/tab\tname/", top + "/what?/", top + QString::fromUtf16(u"/c/c1\u0085/")};

        WindowHarness h;
        h.start();
        h.dialogs.folderNext(top);
        h.click(6);

        QStringList expected;
        for (const QString& folder : findFolders(top)) {
            if (std::none_of(excluded.begin(), excluded.end(), [&](const QString& e) { return folder.startsWith(e); }))
                expected.append(folder);
        }
        QCOMPARE(expected.size(), 14); // so that the tree is what this test believes
        QCOMPARE(h.folderEntries(), inOrderOf(expected, breadthFirstFolders(top)));
        QVERIFY(h.dialogs.messages().isEmpty());
    }

    // Picking the root: "/" first, every entry with single separators. Each folder off the way to the test's
    // tree is made hidden and system just before its parent is listed, so the walk stays small.
    void rootComesFirstWithSingleSeparators()
    {
        TestTree folders({"A/B/"});
        WindowHarness h;
        h.start();
        QStringList chain{QStringLiteral("/")};
        QStringList ancestors{QStringLiteral("//")}; // as the walk forms them, after the root's doubled separator
        for (const QString& part : folders.path().split(u'/', Qt::SkipEmptyParts)) {
            chain.append(chain.back() + part + u'/');
            ancestors.append(ancestors.back() + part + u'/');
        }
        const QString top = ancestors.takeLast();
        // Every other folder below the ancestors is out of sight, decided as each one is looked at, so that
        // folders other programs make or remove in /tmp meanwhile change nothing.
        h.files.before = [&](FaultyFileSystem::Op op, const QString& path) {
            if (op != FaultyFileSystem::Op::Attributes && op != FaultyFileSystem::Op::GetFolder)
                return;
            const QString folder = path.endsWith(u'/') ? path : path + u'/';
            const QString parent = folder.left(folder.lastIndexOf(u'/', folder.size() - 2) + 1);
            if (ancestors.contains(parent) && !ancestors.contains(folder) && folder != top)
                h.files.hide(path);
        };
        h.dialogs.folderNext(QStringLiteral("/"));
        h.click(6);
        QCOMPARE(h.folderEntries().join(u'\n'), (chain + under(folders, {"A/", "A/B/"})).join(u'\n'));
    }

    // The whole machine from the root: the walk finishes, never below /proc or /sys.
    void walkFromTheRootSkipsTheKernelsFolders()
    {
        WindowHarness h;
        h.start();
        h.dialogs.folderNext(QStringLiteral("/"));
        h.click(6);
        const QStringList entries = h.folderEntries();
        QCOMPARE(entries.value(0), QStringLiteral("/"));
        QVERIFY(entries.contains(QStringLiteral("/usr/")));
        for (const QString& entry : entries) {
            QVERIFY2(!entry.startsWith(QStringLiteral("/proc/")) && !entry.startsWith(QStringLiteral("/sys/")),
                     qPrintable(entry));
            QVERIFY2(!entry.contains(QStringLiteral("//")), qPrintable(entry));
        }
        QCOMPARE(h.form().MousePointer.value(), Pointer::Default);
    }

    // The kernel's own folders are hidden and system, so a walk from the root neither lists nor enters them.
    void kernelFoldersAreHiddenSystem_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("attributes");
        QTest::addColumn<bool>("root");
        QTest::addColumn<bool>("picked");
        QTest::newRow("root") << "/" << 16 << true << false;
        QTest::newRow("proc") << "/proc" << 22 << false << false;
        QTest::newRow("sys") << "/sys" << 22 << false << false;
        QTest::newRow("a process's folder") << "/proc/self/" << 1046 << false << false;
        QTest::newRow("sysfs below") << "/sys/kernel" << 22 << false << false;
        QTest::newRow("plain folder") << "/usr" << 16 << false << false;
        QTest::newRow("root seed") << "//" << 16 << true << false;
        QTest::newRow("below the root seed") << "//usr/" << 16 << false << false;
        QTest::newRow("a process's folder, picked") << "/proc/self/" << 1040 << false << true;
    }
    void kernelFoldersAreHiddenSystem()
    {
        QFETCH(QString, path);
        QFETCH(int, attributes);
        QFETCH(bool, root);
        QFETCH(bool, picked);
        PosixFileSystem files;
        const FileSystem::FolderInfo folder =
            files.GetFolder(path, picked ? FileSystem::Links::Picked : FileSystem::Links::AsFound);
        QCOMPARE(folder.attributes, attributes);
        QCOMPARE(folder.isRoot, root);
        if (!picked)
            QCOMPARE(files.attributes(path), std::optional<int>(attributes));
    }
};

QTEST_MAIN(TestAddFolders)
#include "test_add_folders.moc"
