// Faults the kernel gives a user without privileges, placed per path by the fault-injecting file system
// (permission denied, path not found, a path that vanishes between two looks),
// across the commands.
#include "ErrorReports.h"
#include "TestTree.h"
#include "WindowHarness.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QLineEdit>
#include <QtTest>

namespace {

using Op = FaultyFileSystem::Op;

enum Fault { Denied, Hidden, Vanishing, OutOfMemory, EmptyName };
enum Command { AddFolders = 6, LoadLists = 2, CreateList = 5, Save = 7 };

} // namespace

class TestInjectedFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The tree holds A/B/D/, A/C/ and files; two list files; a results file. The fault is put on one path.
    void aFaultOnOnePathAcrossTheCommands_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("entries"); // the folder pane or the result pane afterwards, relative
        QTest::addColumn<QStringList>("reports");
        QTest::addColumn<QStringList>("messages");

        QTest::newRow("walk: a subfolder denied drops it and all below")
            << int(AddFolders) << int(Denied) << "A/B" << QStringList{"A/", "A/C/"} << QStringList{} << QStringList{};
        QTest::newRow("walk: the start denied drops it")
            << int(AddFolders) << int(Denied) << "A" << QStringList{} << QStringList{} << QStringList{};
        QTest::newRow("walk: a subfolder gone drops it")
            << int(AddFolders) << int(Hidden) << "A/B" << QStringList{"A/", "A/C/"} << QStringList{} << QStringList{};
        QTest::newRow("walk: a start that is gone stays, alone")
            << int(AddFolders) << int(Hidden) << "A" << QStringList{"A/"} << QStringList{} << QStringList{};
        QTest::newRow("walk: a subfolder vanishing after it was seen to be one is dropped")
            << int(AddFolders) << int(Vanishing) << "A/B" << QStringList{"A/", "A/C/"} << QStringList{}
            << QStringList{};

        // Out of memory in the walk silently dropped what lay below the folder.
        QTest::newRow("walk: out of memory listing the start is reported at its step")
            << int(AddFolders) << int(OutOfMemory) << "A" << QStringList{"A/"}
            << QStringList{"GetSubDirectories2016 118"} << QStringList{};
        // An empty name read a byte that is not its own and listed the folder itself.
        QTest::newRow("listing: an empty name from the platform is no file")
            << int(CreateList) << int(EmptyName) << "A/B" << QStringList{"A/B/b.txt", "A/a.txt", "A/C/c.txt"}
            << QStringList{} << QStringList{"Done."};

        QTest::newRow("listing: a denied folder gives one report, the others are listed")
            << int(CreateList) << int(Denied) << "A/B" << QStringList{"A/a.txt", "A/C/c.txt"}
            << QStringList{"PushButton5_Click 114"} << QStringList{"Done."};
        QTest::newRow("listing: a folder gone gives nothing, silently")
            << int(CreateList) << int(Hidden) << "A/B" << QStringList{"A/a.txt", "A/C/c.txt"} << QStringList{}
            << QStringList{"Done."};
        QTest::newRow("listing: a folder vanishing after its names were taken is listed")
            << int(CreateList) << int(Vanishing) << "A/B" << QStringList{"A/B/b.txt", "A/a.txt", "A/C/c.txt"}
            << QStringList{} << QStringList{"Done."};

        QTest::newRow("load: a denied file gives one report, the next file is read")
            << int(LoadLists) << int(Denied) << "one.txt" << QStringList{"/d/", "/e/"}
            << QStringList{"FileToListbox 102"} << QStringList{};
        QTest::newRow("load: a file gone is not found, the next file is read")
            << int(LoadLists) << int(Hidden) << "one.txt" << QStringList{"/d/", "/e/"} << QStringList{}
            << QStringList{"File not found"};
        QTest::newRow("load: a file vanishing after the existence test cannot be opened")
            << int(LoadLists) << int(Vanishing) << "one.txt" << QStringList{"/d/", "/e/"}
            << QStringList{"FileToListbox 102"} << QStringList{};

        QTest::newRow("save: into a denied folder, one report and no file")
            << int(Save) << int(Denied) << "out" << QStringList{"results.txt"} << QStringList{"PushButton7_Click 130"}
            << QStringList{};
        QTest::newRow("save: into a folder that is gone, one report")
            << int(Save) << int(Hidden) << "out" << QStringList{"results.txt"} << QStringList{"PushButton7_Click 130"}
            << QStringList{};
        QTest::newRow("save: the old file vanishing after the question is written anew")
            << int(Save) << int(Vanishing) << "out/results.txt" << QStringList{"results.txt"} << QStringList{}
            << QStringList{"overwrite"};
    }
    void aFaultOnOnePathAcrossTheCommands()
    {
        QFETCH(int, command);
        QFETCH(int, fault);
        QFETCH(QString, path);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, reports);
        QFETCH(QStringList, messages);
        TestTree tree({"A/B/D/", "A/C/c.txt", "A/a.txt", "A/B/b.txt"});
        tree.file(QStringLiteral("one.txt"), "/a/\r\n/b/\r\n");
        tree.file(QStringLiteral("two.txt"), "/d/\r\n/e/\r\n");
        tree.file(QStringLiteral("out/results.txt"), "old\r\n");
        WindowHarness h;
        h.start();
        const QString faulty = tree.path(path);
        switch (Fault(fault)) {
        case Denied: h.files.denyAccess(faulty); break;
        case Hidden: h.files.hide(faulty); break;
        case OutOfMemory:
            h.files.before = [faulty](Op op, const QString& at) {
                if (op == Op::Subfolders && QDir::cleanPath(at) == faulty)
                    throw std::bad_alloc();
            };
            break;
        case EmptyName: h.files.addName(faulty, QByteArray()); break;
        case Vanishing:
            const Op op = command == CreateList   ? Op::ListFiles
                          : command == AddFolders ? Op::Attributes
                                                  : Op::PathExists;
            h.files.vanishAfter(op, command == AddFolders ? faulty + "/" : faulty);
            break;
        }
        switch (Command(command)) {
        case AddFolders: h.dialogs.folderNext(tree.path("A")); break;
        case CreateList:
            for (const char* folder : {"A", "A/B", "A/C"})
                h.form().FolderList.append(tree.path(folder) + "/");
            break;
        case LoadLists: h.dialogs.openNext({tree.path("one.txt"), tree.path("two.txt")}); break;
        case Save:
            h.form().ResultList.append(QStringLiteral("/new/line"));
            h.dialogs.saveNext(tree.path("out/results.txt"));
            if (messages.contains("overwrite"))
                h.dialogs.answerNext(MsgBoxAnswer::Yes);
            break;
        }

        h.click(command);

        QStringList got;
        if (command == Save) {
            got = namesIn(tree.path("out"));
            // A refused save leaves the old file as it was.
            QCOMPARE(tree.read("out/results.txt"),
                     reports.isEmpty() ? QByteArray("/new/line\r\n") : QByteArray("old\r\n"));
        } else {
            const QString top = tree.path() + QChar(u'/');
            for (const QString& entry : command == CreateList ? h.resultEntries() : h.folderEntries())
                got.append(entry.startsWith(top) ? entry.mid(top.size()) : entry);
        }
        if (command == CreateList) {
            got.sort();
            entries.sort();
        }
        QCOMPARE(got, entries);
        QCOMPARE(reportPlaces(h), reports);
        QStringList shown = otherMessages(h);
        for (QString& text : shown)
            if (text.startsWith(QStringLiteral("Are you sure you wish to overwrite ")))
                text = QStringLiteral("overwrite");
        QCOMPARE(shown, messages);
        QCOMPARE(h.form().MousePointer.value(), int(Pointer::Default));
    }
};

QTEST_MAIN(TestInjectedFaults)
#include "test_injected_faults.moc"
