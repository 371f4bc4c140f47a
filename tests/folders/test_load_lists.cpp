// Loading folder list files into the folder pane: line ends, several files, vanished and unreadable files.
#include "ErrorReports.h"
#include "TestTree.h"
#include "WindowHarness.h"
#include "app/PaneView.h"
#include "folders/LoadLists.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

const QString kTitle = QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files");

// The lines of a list file as the rule has them: CR LF, a lone CR and a lone LF each end a line, and what
// follows the last line end is one more line.
QStringList linesByTheRule(const QByteArray& bytes)
{
    QStringList lines = QString::fromUtf8(bytes).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

class TestLoadLists : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyLineBecomesAnEntry_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("added");
        QTest::newRow("CR") << QStringList{} << QByteArray("/a/\r/b/\r") << QStringList{"/a/", "/b/"};
        QTest::newRow("CR LF") << QStringList{} << QByteArray("/a/\r\n/b/\r\n") << QStringList{"/a/", "/b/"};
        // Lone LF files (Linux, most editors) give one entry per line, not one entry holding the LFs.
        QTest::newRow("LF") << QStringList{} << QByteArray("/a/\n/b/\n") << QStringList{"/a/", "/b/"};
        QTest::newRow("mixed endings") << QStringList{} << QByteArray("/a/\r\n/b/\n/c/\r/d/")
                                       << QStringList{"/a/", "/b/", "/c/", "/d/"};
        QTest::newRow("second line empty")
            << QStringList{} << QByteArray("/a/\r\n\r\n/c/\r\n") << QStringList{"/a/", "", "/c/"};
        QTest::newRow("no final line end") << QStringList{} << QByteArray("/a/\r\n/b/") << QStringList{"/a/", "/b/"};
        QTest::newRow("empty file") << QStringList{"/kept/"} << QByteArray() << QStringList{};
        QTest::newRow("blanks kept") << QStringList{} << QByteArray(" /a b/ \r\n") << QStringList{" /a b/ "};
        QTest::newRow("duplicates appended again")
            << QStringList{"/x/", "/y/"} << QByteArray("/x/\r\n/y/\r\n/x/\r\n") << QStringList{"/x/", "/y/", "/x/"};
        QTest::newRow("UTF-8 names") << QStringList{} << QByteArray("/M\xc3\xbcnchen/\n") << QStringList{"/München/"};
        QTest::newRow("invalid bytes become U+FFFD")
            << QStringList{} << QByteArray("/a\xff/\n") << QStringList{QStringLiteral("/a\uFFFD/")};
        QTest::newRow("NUL bytes") << QStringList{} << QByteArray("/a\0b/\n\0", 7)
                                   << QStringList{QString("/a") + QChar(0) + "b/", QString(QChar(0))};
    }
    void everyLineBecomesAnEntry()
    {
        QFETCH(QStringList, before);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, added);
        TestTree tree;
        tree.file(QStringLiteral("list.txt"), content);
        WindowHarness h;
        h.start();
        for (const QString& entry : before)
            h.form().FolderList.append(entry);
        h.dialogs.openNext({tree.path(QStringLiteral("list.txt"))});
        int pointerWhileReading = -1;
        h.yield.every([&] { pointerWhileReading = h.form().MousePointer.value(); });
        h.click(2);
        QCOMPARE(h.folderEntries(), before + added);
        if (!added.isEmpty())
            QCOMPARE(pointerWhileReading, Pointer::Busy);
        QCOMPARE(h.form().MousePointer.value(), Pointer::Default);
        QCOMPARE(h.form().ResultList.count(), 0);
        const ScriptedDialogs::Call& dialog = h.dialogs.calls().front();
        QCOMPARE(dialog.kind, QStringLiteral("open"));
        QCOMPARE(dialog.text, kTitle);
        QCOMPARE(dialog.extra, QStringLiteral("Text Files (*.txt)|All Files (*.*)"));
        QVERIFY(h.dialogs.messages().isEmpty());
    }

    void cancelChangesNothing()
    {
        WindowHarness h;
        h.start();
        h.form().FolderList.append(QStringLiteral("/kept/"));
        h.form().MousePointer.setValue(Pointer::Custom);
        h.dialogs.openNext({});
        h.click(2);
        QCOMPARE(h.folderEntries(), QStringList{"/kept/"});
        QCOMPARE(h.form().MousePointer.value(), Pointer::Custom);
        QCOMPARE(h.dialogs.calls().size(), std::size_t(1));
    }

    // One chosen file goes as the dialog gave it; several go through CollapseBackslashes each.
    void pathsAsTheLoaderUsesThem_data()
    {
        QTest::addColumn<QStringList>("chosen"); // "@" stands for the tree's folder
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("notFound");
        QTest::newRow("one file, doubled separator kept")
            << QStringList{"@//a.txt"} << QStringList{"@//a.txt"} << QStringList{"/from-a/"} << 0;
        QTest::newRow("several files, doubled separators folded")
            << QStringList{"@//a.txt", "@//b.txt"} << QStringList{"@/a.txt", "@/b.txt"}
            << QStringList{"/from-a/", "/from-b/"} << 0;
        QTest::newRow("several files in the dialog's order")
            << QStringList{"@/b.txt", "@/a.txt"} << QStringList{"@/b.txt", "@/a.txt"}
            << QStringList{"/from-b/", "/from-a/"} << 0;
        QTest::newRow("root folder: //x.txt becomes /x.txt")
            << QStringList{"//tallyfold-no-such-list-1.txt", "//tallyfold-no-such-list-2.txt"}
            << QStringList{"/tallyfold-no-such-list-1.txt", "/tallyfold-no-such-list-2.txt"} << QStringList{} << 2;
    }
    void pathsAsTheLoaderUsesThem()
    {
        QFETCH(QStringList, chosen);
        QFETCH(QStringList, asked);
        QFETCH(QStringList, entries);
        QFETCH(int, notFound);
        TestTree tree({"a.txt", "b.txt"});
        tree.file(QStringLiteral("a.txt"), "/from-a/\n");
        tree.file(QStringLiteral("b.txt"), "/from-b/\n");
        chosen.replaceInStrings(QStringLiteral("@"), tree.path());
        asked.replaceInStrings(QStringLiteral("@"), tree.path());
        WindowHarness h;
        h.start();
        QStringList existenceTests;
        h.files.before = [&](FaultyFileSystem::Op op, const QString& path) {
            if (op == FaultyFileSystem::Op::PathExists)
                existenceTests.append(path);
        };
        h.dialogs.openNext(chosen);
        h.click(2);
        QCOMPARE(existenceTests, asked);
        QCOMPARE(h.folderEntries(), entries);
        QCOMPARE(h.dialogs.messages(), QStringList(notFound, QStringLiteral("File not found")));
    }

    // A file that vanishes before its turn shows "File not found"; the files around it are still read.
    void vanishedFileBetweenOthers()
    {
        TestTree tree;
        tree.file(QStringLiteral("1.txt"), "/one/\r\n/two/\r\n");
        tree.file(QStringLiteral("2.txt"), "/gone/\r\n");
        tree.file(QStringLiteral("3.txt"), "/three/");
        WindowHarness h;
        h.start();
        h.dialogs.openNext({tree.path("1.txt"), tree.path("2.txt"), tree.path("3.txt")});
        h.yield.at(1, [&] { tree.remove(QStringLiteral("2.txt")); });
        h.click(2);
        QCOMPARE(h.folderEntries(), (QStringList{"/one/", "/two/", "/three/"}));
        QCOMPARE(h.dialogs.messages(), QStringList{"File not found"});
        const ScriptedDialogs::Call& box = h.dialogs.calls().back();
        QCOMPARE(box.buttons, MsgBoxCode::OkOnly);
        QCOMPARE(box.title, QStringLiteral("Tallyfold"));
        QCOMPARE(h.form().MousePointer.value(), Pointer::Default);
    }

    // A list file that cannot be read to its end gives one report of the loader's own; the whole lines read
    // before a read error stay, and the next file is still read. What is no regular file is reported when
    // opened, never waited on.
    void aFileThatCannotBeReadGivesOneReport_data()
    {
        QTest::addColumn<QString>("kind"); // "file" (failing after some bytes), "fifo" or "folder"
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<qint64>("bytes"); // the bytes read before the error
        QTest::addColumn<QStringList>("kept");
        QTest::addColumn<QString>("report");
        const QByteArray greek = "/alpha/\r\n/beta/\r\n/gamma/\r\n";
        const QByteArray abc = "/a/\r\n/b/\r\n/c/\r\n";
        const QString readError = QStringLiteral("Main.FileToListbox 108: Input/output error");
        QTest::newRow("at once") << "file" << greek << qint64(0) << QStringList{} << readError;
        QTest::newRow("inside the second line") << "file" << greek << qint64(10) << QStringList{"/alpha/"} << readError;
        QTest::newRow("right after a line end")
            << "file" << greek << qint64(17) << QStringList{"/alpha/", "/beta/"} << readError;
        QTest::newRow("before the first line") << "file" << abc << qint64(0) << QStringList{} << readError;
        QTest::newRow("after two CR LF lines") << "file" << abc << qint64(10) << QStringList{"/a/", "/b/"} << readError;
        QTest::newRow("after two lone-CR lines")
            << "file" << QByteArray("/a/\r/b/\r/c/") << qint64(8) << QStringList{"/a/", "/b/"} << readError;
        QTest::newRow("after an empty line")
            << "file" << QByteArray("\r\n/b/\r\n") << qint64(2) << QStringList{""} << readError;
        QTest::newRow("at the end, inside a last line without its end: that line is not taken")
            << "file" << QByteArray("/a/\r\n/b/") << qint64(8) << QStringList{"/a/"} << readError;
        QTest::newRow("FIFO") << "fifo" << QByteArray() << qint64(-1) << QStringList{} << "FileToListbox 102";
        QTest::newRow("folder") << "folder" << QByteArray() << qint64(-1) << QStringList{} << "FileToListbox 102";
    }
    void aFileThatCannotBeReadGivesOneReport()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, content);
        QFETCH(qint64, bytes);
        QFETCH(QStringList, kept);
        QFETCH(QString, report);
        TestTree tree;
        if (kind == QLatin1String("fifo"))
            tree.fifo(QStringLiteral("odd.txt"));
        else if (kind == QLatin1String("folder"))
            tree.folder(QStringLiteral("odd.txt"));
        else
            tree.file(QStringLiteral("odd.txt"), content);
        tree.file(QStringLiteral("good.txt"), "/next/\n");
        WindowHarness h;
        h.start();
        if (bytes >= 0)
            h.files.failReadAfter(tree.path("odd.txt"), bytes);
        h.dialogs.openNext({tree.path("odd.txt"), tree.path("good.txt")});
        h.click(2);
        QCOMPARE(h.folderEntries(), kept + QStringList{"/next/"});
        QCOMPARE(bytes >= 0 ? reportLines(h) : reportPlaces(h), QStringList{report});
        QCOMPARE(errorReports(h)[0].module, QStringLiteral("Main"));
        QCOMPARE(otherMessages(h), QStringList{});
        QCOMPARE(h.form().MousePointer.value(), Pointer::Default);
    }

    // The name of a list file cut at a NUL would open another file: it names nothing.
    void aChosenPathHoldingANulIsNotFound()
    {
        TestTree tree;
        tree.file(QStringLiteral("good.txt"), "/next/\n");
        WindowHarness h;
        h.start();
        h.dialogs.openNext({tree.path("good.txt") + QChar(u'\0') + QStringLiteral(".old")});
        h.click(2);
        QCOMPARE(h.folderEntries(), QStringList{});
        QCOMPARE(h.dialogs.messages(), QStringList{QStringLiteral("File not found")});
    }

    void fiftyMegabyteLineLoads()
    {
        TestTree tree;
        const QByteArray line(50 * 1024 * 1024, 'd');
        tree.file(QStringLiteral("huge.txt"), line + "\r\n/after/");
        WindowHarness h;
        h.start();
        h.dialogs.openNext({tree.path("huge.txt")});
        h.click(2);
        QCOMPARE(h.form().FolderList.count(), 2);
        QCOMPARE(h.form().FolderList.text(1).size(), line.size());
        QCOMPARE(h.form().FolderList.text(2), QStringLiteral("/after/"));
    }

    // Every byte value, NUL and stray continuation bytes included: as many entries as line ends say.
    void binaryFileLoads()
    {
        QByteArray content;
        for (int round = 0; round < 64; ++round)
            for (int byte = 0; byte < 256; ++byte)
                content.append(char((byte * 37 + round) & 0xff));
        TestTree tree;
        tree.file(QStringLiteral("binary.bin"), content);
        WindowHarness h;
        h.start();
        h.dialogs.openNext({tree.path("binary.bin")});
        h.click(2);
        QCOMPARE(h.folderEntries(), linesByTheRule(content));
    }
};

QTEST_MAIN(TestLoadLists)
#include "test_load_lists.moc"
