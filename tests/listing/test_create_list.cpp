// "2. Start Creating List" in the real window over real folder trees: what is listed, the entry forms, the
// messages and the pointer.
#include "ErrorReports.h"
#include "ListingChecks.h"
#include "TestTree.h"

#include <QLineEdit>
#include <QtTest>

namespace {

// Every kind of entry a listed folder may hold; "sub.dir" and "plainsub" are subfolders.
const QStringList kMixedTree = {"top/a.txt",
                                "top/B.TXT",
                                "top/c.tar.Txt",
                                "top/d.txt.bak",
                                "top/README",
                                "top/name.",
                                "top/.profile",
                                "top/~$Report.docx",
                                "top/~temp.txt",
                                "top/Ünïcödé.txt",
                                "top/файл.TXT",
                                "top/notes.ÄÖ",
                                "top/cold.k",
                                "top/sub.dir/",
                                "top/sub.dir/in.txt",
                                "top/plainsub/",
                                "top/plainsub/x.txt",
                                "top/tofile.txt -> a.txt",
                                "top/todir -> plainsub",
                                "top/dangling.txt -> missing"};

} // namespace

class TestCreateList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void filterDecidesWhichFilesAreListed_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("names");
        const QStringList txt = {"a.txt", "B.TXT", "c.tar.Txt", "Ünïcödé.txt", "файл.TXT", "tofile.txt", "pipe.txt"};
        QTest::newRow("* lists every file, hidden ones too")
            << "*" << (txt + QStringList{"d.txt.bak", "README", "name.", ".profile", "notes.ÄÖ", "cold.k"});
        QTest::newRow("txt") << "txt" << txt;
        QTest::newRow("TXT") << "TXT" << txt;
        QTest::newRow("Txt") << "Txt" << txt;
        QTest::newRow(".txt lists nothing") << ".txt" << QStringList();
        QTest::newRow("*.* lists nothing") << "*.*" << QStringList();
        QTest::newRow("blank before") << " txt" << QStringList();
        QTest::newRow("blank after") << "txt " << QStringList();
        QTest::newRow("two stars") << "**" << QStringList();
        QTest::newRow("empty: names ending in a dot") << "" << QStringList{"name."};
        QTest::newRow("last extension only") << "bak" << QStringList{"d.txt.bak"};
        QTest::newRow("dot file's key") << "PROFILE" << QStringList{".profile"};
        QTest::newRow("non-ASCII, lower-cased") << "äö" << QStringList{"notes.ÄÖ"};
        QTest::newRow("Kelvin sign lowers to k") << u8"\u212A" << QStringList{"cold.k"};
        QTest::newRow("no match still ends normally") << "xyz" << QStringList();
    }
    void filterDecidesWhichFilesAreListed()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, names);
        TestTree tree(kMixedTree);
        tree.fifo(QStringLiteral("top/pipe.txt"));
        WindowHarness h;
        h.start();
        h.window().Text1()->setText(filter);
        h.form().FolderList.append(tree.path(QStringLiteral("top")));
        h.click(5);
        QCOMPARE(sorted(h.resultEntries()), linesUnder(tree.path(QStringLiteral("top")), names));
        QCOMPARE(otherMessages(h), QStringList{QStringLiteral("Done.")});
        QCOMPARE(reportLines(h), QStringList{});
        QCOMPARE(h.form().MousePointer.value(), int(Pointer::Default));
        QVERIFY(!h.form().CreatingList);
    }

    void lineWithoutDotMatchesOnlyTheWholeLine_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("filter"); // %1 stands for the tree's path, lower-cased
        QTest::addColumn<bool>("listed");
        QTest::newRow("whole line") << "plain"
                                    << "%1/plain/readme" << true;
        QTest::newRow("name alone") << "plain"
                                    << "readme" << false;
        QTest::newRow("dotted folder: key from its dot") << "my.docs"
                                                         << "docs/readme" << true;
        QTest::newRow("dotted folder, name alone") << "my.docs"
                                                   << "readme" << false;
    }
    void lineWithoutDotMatchesOnlyTheWholeLine()
    {
        QFETCH(QString, folder);
        QFETCH(QString, filter);
        QFETCH(bool, listed);
        TestTree tree({folder + QStringLiteral("/README")});
        WindowHarness h;
        h.start();
        h.window().Text1()->setText(filter.replace(QStringLiteral("%1"), tree.path().toLower()));
        h.form().FolderList.append(tree.path(folder));
        h.click(5);
        QCOMPARE(h.resultEntries(),
                 listed ? QStringList{tree.path(folder + QStringLiteral("/README"))} : QStringList());
    }

    void entryFormsGiveTheirLines_data()
    {
        QTest::addColumn<QString>("suffix");     // after the folder's path in the entry
        QTest::addColumn<QString>("lineFolder"); // after the folder's path in each line, before the separator
        QTest::newRow("without trailing separator") << ""
                                                    << "";
        QTest::newRow("with trailing separator") << "/"
                                                 << "";
        QTest::newRow("two trailing separators: one goes") << "//"
                                                           << "/";
    }
    void entryFormsGiveTheirLines()
    {
        QFETCH(QString, suffix);
        QFETCH(QString, lineFolder);
        TestTree tree({"f/one.txt", "f/two"});
        WindowHarness h;
        h.start();
        h.form().FolderList.append(tree.path(QStringLiteral("f")) + suffix);
        h.click(5);
        QCOMPARE(sorted(h.resultEntries()),
                 linesUnder(tree.path(QStringLiteral("f")) + lineFolder, {"one.txt", "two"}));
        QCOMPARE(reportLines(h), QStringList{});
    }

    void rootFolderGivesLinesWithOneSeparator()
    {
        QStringList expected;
        for (const QFileInfo& entry :
             QDir(QStringLiteral("/"))
                 .entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
            if (entry.exists() && !entry.isDir() && !entry.fileName().startsWith(QChar(u'~')))
                expected.append(QChar(u'/') + entry.fileName());
        WindowHarness h;
        h.start();
        h.form().FolderList.append(QStringLiteral("/"));
        h.click(5);
        QCOMPARE(sorted(h.resultEntries()), sorted(expected));
        QCOMPARE(reportLines(h), QStringList{});
    }

    void brokenEntriesAddNothingAndTheRunGoesOn_data()
    {
        QTest::addColumn<QString>("entry"); // "FAULT" stands for a folder whose listing fails
        QTest::addColumn<int>("label");     // of the one report, 0 for none
        QTest::newRow("empty entry") << "" << 112;
        QTest::newRow("missing folder") << "/no/such/folder/here" << 0;
        QTest::newRow("a file as folder") << "FILE" << 0;
        QTest::newRow("folder that cannot be listed") << "FAULT" << 114;
        // Such a path once listed the folder named by the part before the NUL, under a path that does not exist.
        QTest::newRow("a path holding a NUL") << "NUL" << 0;
    }
    void brokenEntriesAddNothingAndTheRunGoesOn()
    {
        QFETCH(QString, entry);
        QFETCH(int, label);
        TestTree tree({"first/1.txt", "last/2.txt", "broken/3.txt", "file.txt"});
        WindowHarness h;
        h.start();
        if (entry == QLatin1String("FAULT")) {
            entry = tree.path(QStringLiteral("broken"));
            h.files.fail(FaultyFileSystem::Op::ListFiles, entry, QStringLiteral("Device not ready"));
        } else if (entry == QLatin1String("FILE")) {
            entry = tree.path(QStringLiteral("file.txt"));
        } else if (entry == QLatin1String("NUL")) {
            entry = tree.path(QStringLiteral("broken")) + QChar(u'\0') + QStringLiteral("/x");
        }
        for (const QString& e : {tree.path(QStringLiteral("first")), entry, tree.path(QStringLiteral("last"))})
            h.form().FolderList.append(e);
        h.click(5);
        QCOMPARE(h.resultEntries(),
                 (QStringList{tree.path(QStringLiteral("first/1.txt")), tree.path(QStringLiteral("last/2.txt"))}));
        QCOMPARE(reportPlaces(h),
                 label ? QStringList{QStringLiteral("PushButton5_Click %1").arg(label)} : QStringList{});
        if (label == 114)
            QCOMPARE(errorReports(h)[0].description, QStringLiteral("Device not ready"));
        QCOMPARE(otherMessages(h).last(), QStringLiteral("Done."));
        QCOMPARE(h.form().MousePointer.value(), int(Pointer::Default));
    }

    void twoRunsGiveEveryLineTwice()
    {
        TestTree tree({"f/a.txt", "f/b.md", "g/c"});
        WindowHarness h;
        h.start();
        h.form().FolderList.append(tree.path(QStringLiteral("f")));
        h.form().FolderList.append(tree.path(QStringLiteral("g")) + QChar(u'/'));
        h.click(5);
        const QStringList once = h.resultEntries();
        QCOMPARE(once.size(), 3);
        h.click(5);
        QCOMPARE(h.resultEntries(), once + once);
        QCOMPARE(otherMessages(h), (QStringList{QStringLiteral("Done."), QStringLiteral("Done.")}));
    }

    void emptyFolderListSaysSoAndLeavesThePointer()
    {
        TestTree tree({"f/a.txt"});
        WindowHarness h;
        h.start();
        h.form().MousePointer.setValue(Pointer::Custom);
        h.click(5);
        QCOMPARE(otherMessages(h), QStringList{QStringLiteral("No folders added.")});
        QCOMPARE(h.dialogs.calls().back().buttons, 0);
        QCOMPARE(h.dialogs.calls().back().title, QStringLiteral("Tallyfold"));
        QCOMPARE(h.form().MousePointer.value(), int(Pointer::Custom));
        QVERIFY(h.resultEntries().isEmpty());
        QVERIFY(!h.form().CreatingList);
        // A later click works normally.
        h.form().FolderList.append(tree.path(QStringLiteral("f")));
        h.click(5);
        QCOMPARE(h.resultEntries(), QStringList{tree.path(QStringLiteral("f/a.txt"))});
    }
};

QTEST_MAIN(TestCreateList)
#include "test_create_list.moc"
