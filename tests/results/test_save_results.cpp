// The save command in the window: the bytes of the results file, the dialog and the overwrite question, and
// that a save which cannot finish leaves the old file as it was after one report.
#include "ErrorReports.h"
#include "PaneEntries.h"
#include "TestTree.h"
#include "app/PaneMenus.h"
#include "results/ResultsOutput.h"

#include <QMenu>

#include <QProcess>
#include <QtTest>

namespace {

const QByteArray kOld = "old content\r\nkept\r\n";

// Many long entries, so the file is written in several blocks.
QStringList manyEntries(int count)
{
    QStringList entries;
    for (int i = 0; i < count; ++i)
        entries.append(QStringLiteral("/data/archive/%1/a rather long file name to fill the blocks.txt").arg(i));
    return entries;
}

} // namespace

class TestSaveResults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyEntryIsOneCrLfLine_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QList<int>>("checkedRows");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("three entries, three lines, nothing after")
            << QStringList{"C:\\a\\x.txt", "/b/y.txt", "z"} << QList<int>{}
            << QByteArray("C:\\a\\x.txt\r\n/b/y.txt\r\nz\r\n");
        QTest::newRow("empty pane, 0 bytes") << QStringList{} << QList<int>{} << QByteArray();
        QTest::newRow("spaces at either end are kept")
            << QStringList{"  /a/lead.txt", "/a/trail.txt   "} << QList<int>{1, 2}
            << QByteArray("  /a/lead.txt\r\n/a/trail.txt   \r\n");
        QTest::newRow("non-ASCII in the locale's encoding, no byte-order mark")
            << QStringList{"/d\u00e9j\u00e0/\u65e5\u672c.txt", "/\U0001F600"} << QList<int>{}
            << QByteArray("/d\xc3\xa9j\xc3\xa0/\xe6\x97\xa5\xe6\x9c\xac.txt\r\n/\xf0\x9f\x98\x80\r\n");
        QTest::newRow("unchecked and checked alike")
            << QStringList{"/a", "/b", "/c"} << QList<int>{2} << QByteArray("/a\r\n/b\r\n/c\r\n");
        QTest::newRow("an empty entry is an empty line")
            << QStringList{"", "/b"} << QList<int>{} << QByteArray("\r\n/b\r\n");
    }
    void everyEntryIsOneCrLfLine()
    {
        QFETCH(QStringList, entries);
        QFETCH(QList<int>, checkedRows);
        QFETCH(QByteArray, bytes);
        TestTree tree;
        const QString path = tree.path(QStringLiteral("results.txt"));
        WindowHarness h;
        Form& form = h.start().form();
        fill(form.ResultList, entries);
        for (int row : checkedRows)
            form.ResultList.setChecked(row, true);
        h.dialogs.saveNext(path);

        h.click(7);

        QCOMPARE(tree.read(QStringLiteral("results.txt")), bytes);
        QCOMPARE(QFileInfo(path).size(), qint64(bytes.size()));
        const ScriptedDialogs::Call& dialog = h.dialogs.calls().at(0);
        QCOMPARE(dialog.kind, QStringLiteral("save"));
        QCOMPARE(dialog.title, QStringLiteral("Save"));
        // The text type first, where the dialog opens; the CSV after it.
        QCOMPARE(dialog.extra, QStringLiteral("Text Files (*.txt)|All Files (*.*)|CSV with size and date (*.csv)"));
        QCOMPARE(dialog.buttons, 0);
        QCOMPARE(h.dialogs.calls().size(), std::size_t(1)); // a new name asks nothing
        QCOMPARE(form.MousePointer.value(), int(Pointer::Default));
    }

    void theDialogAndTheOverwriteQuestion_data()
    {
        QTest::addColumn<QString>("typed"); // relative to the tree; "" is Cancel
        QTest::addColumn<bool>("existing");
        QTest::addColumn<int>("answer"); // 0: no question expected
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("cancel") << "" << true << 0 << kOld;
        QTest::newRow("No keeps the old file byte for byte") << "results.txt" << true << int(MsgBoxAnswer::No) << kOld;
        QTest::newRow("Yes replaces it") << "results.txt" << true << int(MsgBoxAnswer::Yes) << QByteArray("/x\r\n");
        QTest::newRow("a new name asks nothing") << "new.txt" << false << 0 << QByteArray("/x\r\n");
        QTest::newRow("a name without extension is saved as typed") << "results" << false << 0 << QByteArray("/x\r\n");
        QTest::newRow("a name with spaces and dots") << "my list. v2" << false << 0 << QByteArray("/x\r\n");
    }
    void theDialogAndTheOverwriteQuestion()
    {
        QFETCH(QString, typed);
        QFETCH(bool, existing);
        QFETCH(int, answer);
        QFETCH(QByteArray, after);
        TestTree tree;
        tree.file(QStringLiteral("results.txt"), kOld);
        const QString path = typed.isEmpty() ? QString() : tree.path(typed);
        WindowHarness h;
        Form& form = h.start().form();
        fill(form.ResultList, {QStringLiteral("/x")});
        h.dialogs.saveNext(path);
        if (answer)
            h.dialogs.answerNext(answer);

        h.click(7);

        QCOMPARE(h.dialogs.calls().size(), std::size_t(answer ? 2 : 1));
        if (answer) {
            QCOMPARE(h.dialogs.calls()[1].text, QStringLiteral("Are you sure you wish to overwrite ") + path + " ?");
            QCOMPARE(h.dialogs.calls()[1].buttons, int(MsgBoxCode::YesNo));
            QCOMPARE(h.dialogs.calls()[1].title, QStringLiteral("Tallyfold"));
        }
        QCOMPARE(tree.read(QStringLiteral("results.txt")), existing || typed.isEmpty() ? after : kOld);
        if (!existing && !typed.isEmpty())
            QCOMPARE(tree.read(typed), after);
        QStringList expectedNames{QStringLiteral("results.txt")};
        if (!existing && !typed.isEmpty())
            expectedNames.append(typed);
        expectedNames.sort();
        QCOMPARE(namesIn(tree.path()), expectedNames); // no extension added, no temporary left
        QCOMPARE(form.MousePointer.value(), int(Pointer::Default));
    }

    void aSaveThatCannotFinishKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("entries");
        QTest::addColumn<bool>("old"); // an old file is there to keep
        QTest::addColumn<QString>("report");
        QTest::newRow("the file cannot be made")
            << "open" << 3 << true << "Form1.PushButton7_Click 130: Permission denied";
        QTest::newRow("the disk is full from the start")
            << "full:0" << 3 << true << "Form1.PushButton7_Click 136: No space left on device";
        QTest::newRow("the disk fills within the first block")
            << "full:20" << 3 << true << "Form1.PushButton7_Click 136: No space left on device";
        QTest::newRow("the disk fills after some blocks, mid-list")
            << "full:2500000" << 100000 << true << "Form1.PushButton7_Click 136: No space left on device";
        QTest::newRow("the pane is cleared while the save yields")
            << "clear:2" << 3 << true << "Form1.PushButton7_Click 136: Index out of bounds";
        QTest::newRow("the pane is cleared at the last yield")
            << "clear:3" << 3 << true << "Form1.PushButton7_Click 136: Index out of bounds";
        // A removal behind the save and appends after it once gave a file that was neither list.
        QTest::newRow("an entry is removed and two appended while the save yields")
            << "remove:2" << 3 << true << "Form1.PushButton7_Click 136: Index out of bounds";
        // The real kernel's answers: a disk that fills up (about 1.3 MB into 64 KiB, more than one block), and a
        // read-only file system, where root's privileges do not help.
        QTest::newRow("a real full disk")
            << "disk" << 20000 << true << "Form1.PushButton7_Click 130: No space left on device";
        QTest::newRow("a read-only file system, a new name")
            << "readonly" << 1 << false << "Form1.PushButton7_Click 130: Read-only file system";
        QTest::newRow("a read-only file system, over an old file")
            << "readonly" << 1 << true << "Form1.PushButton7_Click 130: Read-only file system";
    }
    void aSaveThatCannotFinishKeepsTheOldFile()
    {
        QFETCH(QString, fault);
        QFETCH(int, entries);
        QFETCH(bool, old);
        QFETCH(QString, report);
        TestTree tree({"out/"});
        const QString path = tree.path(QStringLiteral("out/results.txt"));
        std::optional<TestMount> mount;
        if (fault == QLatin1String("disk"))
            mount.emplace(tree.path("out"), TestMount::SmallDisk);
        if (old)
            tree.file(QStringLiteral("out/results.txt"), kOld);
        if (fault == QLatin1String("readonly"))
            mount.emplace(tree.path("out"), TestMount::ReadOnly);
        if (mount && !mount->isMounted())
            QSKIP("the file system cannot be mounted here (needs root and mount rights)");
        WindowHarness h;
        Form& form = h.start().form();
        fill(form.ResultList, manyEntries(entries));
        const QStringList kind = fault.split(QChar(u':'));
        if (kind[0] == QLatin1String("open"))
            h.files.fail(FaultyFileSystem::Op::OpenSave, path, QStringLiteral("Permission denied"));
        else if (kind[0] == QLatin1String("full"))
            h.files.failWriteAfter(path, kind[1].toLongLong());
        else if (kind[0] == QLatin1String("remove"))
            h.yield.at(kind[1].toInt(), [&] {
                form.ResultList.remove(3);
                form.ResultList.append(QStringLiteral("/new/a"));
                form.ResultList.append(QStringLiteral("/new/b"));
            });
        else if (kind[0] == QLatin1String("clear"))
            h.yield.at(kind[1].toInt(), [&] { h.click(8); });
        h.dialogs.saveNext(path);
        if (old)
            h.dialogs.answerNext(MsgBoxAnswer::Yes);

        h.click(7);

        QCOMPARE(reportLines(h), QStringList{report});
        QCOMPARE(tree.read(QStringLiteral("out/results.txt")), old ? kOld : QByteArray());
        QCOMPARE(namesIn(tree.path("out")), old ? QStringList{QStringLiteral("results.txt")} : QStringList{});
        QCOMPARE(form.MousePointer.value(), int(Pointer::Default));
    }

    void aSavedFileReadsBackAsThePaneEntries()
    {
        TestTree tree;
        const QStringList entries{QStringLiteral("/srv/data/report 2021.txt"), QStringLiteral("C:\\Temp\\x.log"),
                                  QStringLiteral("/home/u/caf\u00e9  "), QStringLiteral("/tmp/~draft.txt")};
        const QString path = tree.path(QStringLiteral("list"));
        WindowHarness h;
        Form& form = h.start().form();
        fill(form.ResultList, entries);
        form.ResultList.setChecked(3, true);
        h.dialogs.saveNext(path);

        h.click(7);

        const QByteArray saved = tree.read(QStringLiteral("list"));
        QVERIFY(saved.endsWith("\r\n"));
        QStringList readBack = QString::fromUtf8(saved).split(QStringLiteral("\r\n"));
        QCOMPARE(readBack.takeLast(), QString());
        QCOMPARE(readBack, entries);

        QProcess cat;
        cat.start(QStringLiteral("cat"), {QStringLiteral("-A"), path});
        if (!cat.waitForFinished())
            QSKIP("cat could not be run");
        QCOMPARE(cat.readAllStandardOutput(), QByteArray("/srv/data/report 2021.txt^M$\n"
                                                         "C:\\Temp\\x.log^M$\n"
                                                         "/home/u/cafM-CM-)  ^M$\n"
                                                         "/tmp/~draft.txt^M$\n"));
    }

    // The file type the dialog is left at decides what is written: the button opens it at the text type, "Export
    // as CSV…" at the CSV type, and either writes what the user leaves chosen.
    void theChosenFileTypeDecidesWhatIsWritten()
    {
        TestTree tree;
        tree.file(QStringLiteral("data/three.txt"), "abc");
        const QString row = tree.path(QStringLiteral("data/three.txt"));
        const QString path = tree.path(QStringLiteral("out"));
        WindowHarness h;
        MainWindow& window = h.start();
        fill(h.form().ResultList, {row});
        h.dialogs.saveNext(path, 2);
        h.click(7);
        QCOMPARE(h.dialogs.calls().back().buttons, 0);
        const QByteArray csv = tree.read(QStringLiteral("out"));
        QVERIFY2(csv.startsWith("\xEF\xBB\xBFPath,Name,Extension,Size,Modified\r\n" + row.toUtf8() + ",three.txt,txt,3,"),
                 csv.constData());

        window.paneMenus()->open(*window.ListView2(), 1, {});
        for (QAction* item : window.paneMenus()->openMenu()->actions())
            if (item->text() == QStringLiteral("Export as CSV…")) {
                h.dialogs.saveNext(path, 0);
                h.dialogs.answerNext(MsgBoxAnswer::Yes);
                item->trigger();
            }
        QCOMPARE(h.dialogs.calls().at(h.dialogs.calls().size() - 2).buttons, 2);
        QCOMPARE(tree.read(QStringLiteral("out")), row.toUtf8() + "\r\n");
    }

    // "Save Folder List As…" writes what "Load Folders From Text File" reads back as the same rows; a row holding a
    // line break could not come back as one row, so such a pane is refused whole, before the dialog.
    void aFolderListSavedFromItsMenuLoadsBackAsTheSameRows()
    {
        TestTree tree;
        const QString path = tree.path(QStringLiteral("folders.txt"));
        const QStringList rows{QStringLiteral("/srv/my share/2021"), QStringLiteral("  /lead and trail  "),
                               QStringLiteral("/home/u/caf\u00e9/\u65e5\u672c"), QStringLiteral("C:\\Temp\\"),
                               QStringLiteral(""), QStringLiteral("/last")};
        WindowHarness h;
        MainWindow& window = h.start();
        Form& form = h.form();
        const auto saveFromMenu = [&] {
            window.paneMenus()->open(*window.ListView1(), 1, {});
            for (QAction* item : window.paneMenus()->openMenu()->actions())
                if (item->text() == QStringLiteral("Save Folder List As…"))
                    item->trigger();
        };
        fill(form.FolderList, rows);
        h.dialogs.saveNext(path);
        saveFromMenu();
        form.FolderList.clear();
        h.dialogs.openNext({path});
        h.click(2);
        QCOMPARE(h.folderEntries(), rows);

        tree.file(QStringLiteral("folders.txt"), kOld);
        fill(form.FolderList, {QStringLiteral("/two\nlines")});
        saveFromMenu();
        QCOMPARE(h.dialogs.messages().size(), 1);
        QVERIFY(h.dialogs.messages()[0].contains(QStringLiteral("line break")));
        QCOMPARE(tree.read(QStringLiteral("folders.txt")), kOld);
    }
};

QTEST_MAIN(TestSaveResults)
#include "test_save_results.moc"
