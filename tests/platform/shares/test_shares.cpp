// Folders on a share that answers slowly, or not at all: the latency file system stands in for the server.
// The commands list what find lists there, with and without the readers ahead; input that comes while a call
// waits runs after it; a folder that never answers keeps the window live, and lets go when the share is
// dropped.
#include "ErrorReports.h"
#include "FindOracle.h"
#include "FolderOrder.h"
#include "PaneEntries.h"
#include "TestTree.h"
#include "WindowHarness.h"
#include "app/PaneView.h"
#include "platform/posix/IniSettingsStorage.h"
#include "platform/qt/QtCallWaiter.h"
#include "platform/shares/MountTable.h"
#include "testbed/LatencyShare.h"

#include <QAccessible>
#include <QDir>
#include <QElapsedTimer>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <future>
#include <thread>
#include <unistd.h>

namespace {

// The results a save writes in the close test, and the list file they make.
constexpr int kSavedRows = 60000;
QString savedRow(int i)
{
    return QStringLiteral("/data/folder%1/file%2.txt").arg(i % 97).arg(i);
}
QByteArray savedList()
{
    QByteArray list;
    for (int i = 0; i < kSavedRows; ++i)
        list += savedRow(i).toUtf8() + "\r\n";
    return list;
}

QStringList temporariesIn(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral(".tallyfold-*")}, QDir::Files | QDir::Hidden);
}

// The program's side of the close test, in a process of its own as the close ends the program: a save onto
// the share, and the window closed once the save writes there.
void saveThenClose(const QString& target, const QString& sourceFile)
{
    WindowHarness h;
    h.onProblemsLeft = [](const QStringList&) {};
    QtCallWaiter waiter(h.gate);
    h.files.setWaiter(&waiter);
    h.start();
    h.window().setUnloadHandler([&] {
        h.yield.close();
        h.dialogs.close();
        waiter.close();
    });
    for (int i = 0; i < kSavedRows; ++i)
        h.form().ResultList.append(savedRow(i));
    h.dialogs.saveNext(target);
    h.dialogs.answerNext(MsgBoxAnswer::Yes); // over the old file
    const QFileInfo source(sourceFile);
    QFile old(sourceFile);
    QVERIFY(old.open(QIODevice::ReadOnly));
    const QByteArray oldStart = old.read(64);
    old.close();
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        // Replaced: the new file beside it has bytes. In place: the file's own bytes changed.
        QDir folder = source.dir();
        bool writing = false;
        for (const QString& name : temporariesIn(folder.path()))
            writing = writing || QFileInfo(folder.filePath(name)).size() > 0;
        QFile now(sourceFile);
        writing = writing || (now.open(QIODevice::ReadOnly) && now.read(64) != oldStart);
        if (writing) {
            watch.stop();
            std::printf("closed in the middle of the save\n");
            std::fflush(stdout);
            h.window().close();
        }
    });
    watch.start(1);
    h.click(7);
}

#define SKIP_WITHOUT_SHARE(share)                                                                                      \
    if (!(share).isMounted())                                                                                          \
    QSKIP("the latency file system cannot be mounted here: it needs root, /dev/fuse and libfuse3-dev at build time")

} // namespace

class TestShares : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A share mounted less than a second after the table was read counted as the local folder under it, and its
    // first calls held the window (2.3 s on a fresh SFTP mount).
    void aShareMountedAMomentAgoCountsAtOnce()
    {
        TestTree tree({"top/a.txt"});
        QTemporaryDir mountPoint;
        MountTable table;
        const QByteArray path = QFile::encodeName(mountPoint.path() + "/top");
        (void)table.mayHang(path); // reads the table as it stands before the mount
        LatencyShare share(tree.path(), 0, {}, mountPoint.path());
        SKIP_WITHOUT_SHARE(share);
        QVERIFY(isMountPoint(mountPoint.path()));
        QVERIFY(table.mayHang(path));
    }
    void commandsListWhatFindLists_data()
    {
        QTest::addColumn<int>("readers");
        QTest::newRow("with readers ahead") << 4;
        QTest::newRow("without") << 0;
    }
    void commandsListWhatFindLists()
    {
        QFETCH(int, readers);
        TestTree tree({"top/a/a1/x.txt", "top/a/a2/y.md", "top/b/~lock", "top/b/z", "top/.c/d/e/f.txt", "top/g.txt",
                       "top/link -> a"});
        for (int i = 0; i < 40; ++i)
            tree.file(QStringLiteral("top/many/m%1/f%1.txt").arg(i));
        LatencyShare share(tree.path(), 1);
        SKIP_WITHOUT_SHARE(share);
        const QString top = share.path(QStringLiteral("top"));
        WindowHarness h(readers);
        QtCallWaiter waiter(h.gate);
        h.files.setWaiter(&waiter);
        h.start();
        h.dialogs.folderNext(top);
        h.click(6);
        QCOMPARE(h.folderEntries(), inOrderOf(findFolders(top), breadthFirstFolders(top)));
        h.click(5);
        QCOMPARE(sorted(h.resultEntries()), sorted(findListedFiles(top, 0, QStringLiteral("*"), true)));
        QCOMPARE(h.resultEntries().size(), 45);
        QCOMPARE(otherMessages(h), QStringList{"Done."});
    }

    // A click that comes while a folder's listing waits for the share is held back and runs after the call:
    // "Clear List" empties the results only once the listing is done. A drop cannot wait: it is refused, also
    // where the pointer no longer says busy.
    void inputDuringAWaitRunsAfterTheCall()
    {
        TestTree tree({"a/one.txt", "b/two.txt"});
        LatencyShare share(tree.path(), 150);
        SKIP_WITHOUT_SHARE(share);
        WindowHarness h;
        QtCallWaiter waiter(h.gate);
        h.files.setWaiter(&waiter);
        h.start();
        h.form().FolderList.append(share.path("a"));
        h.form().FolderList.append(share.path("b"));
        bool clicked = false;
        bool dropRefused = false;
        QTimer::singleShot(100, [&] {
            QTest::mouseClick(h.window().PushButton(8), Qt::LeftButton);
            clicked = true;
            h.form().MousePointer.setValue(Pointer::Default);
            QMimeData data;
            data.setData(QStringLiteral("text/uri-list"), QUrl::fromLocalFile(tree.path("a")).toEncoded() + "\r\n");
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(h.window().ListView1()->viewport(), &enter);
            QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(h.window().ListView1()->viewport(), &drop);
            dropRefused = !enter.isAccepted() && !drop.isAccepted();
            h.form().MousePointer.setValue(Pointer::Busy);
        });
        h.click(5);
        QVERIFY(clicked);
        QVERIFY(dropRefused);
        QCOMPARE(h.resultEntries(), (QStringList{share.path("a/one.txt"), share.path("b/two.txt")}));
        QTRY_VERIFY(h.resultEntries().isEmpty());
        QCOMPARE(h.folderEntries(), (QStringList{share.path("a"), share.path("b")}));
    }

    // The window closed in the middle of a save onto a share: the save's call is let finish or undone, never
    // cut off by the program's end. The target holds its old bytes or the whole new list, and no temporary
    // file stays. (The program ended inside the write: a temporary file as large as the list stayed beside
    // the target, and a file written in place kept the new beginning over the old tail.)
    void aCloseInTheMiddleOfASaveLeavesAWholeFile_data()
    {
        QTest::addColumn<bool>("secondLink");
        QTest::newRow("replaced") << false;
        QTest::newRow("written in place: a second hard link") << true;
    }
    void aCloseInTheMiddleOfASaveLeavesAWholeFile()
    {
        if (qEnvironmentVariableIsSet("TALLYFOLD_SAVE_TARGET"))
            return saveThenClose(qEnvironmentVariable("TALLYFOLD_SAVE_TARGET"),
                                 qEnvironmentVariable("TALLYFOLD_SAVE_SOURCE"));
        QFETCH(bool, secondLink);
        TestTree tree;
        QByteArray oldBytes;
        for (int i = 0; i < 100000; ++i)
            oldBytes += "an older list, line " + QByteArray::number(i) + "\r\n";
        tree.file(QStringLiteral("list.txt"), oldBytes);
        if (secondLink)
            QCOMPARE(::link(QFile::encodeName(tree.path("list.txt")), QFile::encodeName(tree.path("twin.txt"))), 0);
        LatencyShare share(tree.path(), 10);
        SKIP_WITHOUT_SHARE(share);

        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TALLYFOLD_SAVE_TARGET"), share.path("list.txt"));
        environment.insert(QStringLiteral("TALLYFOLD_SAVE_SOURCE"), tree.path("list.txt"));
        program.setProcessEnvironment(environment);
        program.start(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("aCloseInTheMiddleOfASaveLeavesAWholeFile:") + QTest::currentDataTag()});
        QVERIFY(program.waitForFinished(60000));
        const QByteArray printed = program.readAllStandardOutput();
        QVERIFY2(printed.contains("closed in the middle of the save"), printed + program.readAllStandardError());

        const QByteArray saved = tree.read(QStringLiteral("list.txt"));
        QVERIFY2(saved == oldBytes || saved == savedList(),
                 qPrintable(QStringLiteral("%1 bytes, neither the old %2 nor the new %3")
                                .arg(saved.size())
                                .arg(oldBytes.size())
                                .arg(savedList().size())));
        QCOMPARE(temporariesIn(tree.path()), QStringList());
        if (secondLink)
            QCOMPARE(tree.read(QStringLiteral("twin.txt")), saved);
    }

    // A folder that never answers, named on the share or reached from the local disk through a link or "..", or
    // a link to it among a local folder's files, or the settings folder: the window's timers keep running while
    // the listing or the storing waits, and dropping the share ends the wait; the folders before it are listed.
    // An assistive tool's press of "1. Add Folders and Subfolders" during the listing's wait starts that command
    // only after the wait. (It ran inside the wait, on the thread that the listing's call was using.)
    void aHungFolderKeepsTheWindowLiveUntilTheShareIsDropped_data()
    {
        QTest::addColumn<QString>("listed"); // in a local folder that holds the share's mount point, "mnt"
        QTest::addColumn<QStringList>("results");
        QTest::addColumn<QStringList>("reports");
        QTest::addColumn<bool>("storing"); // the filter, with `listed` as the settings folder
        const QStringList shareReport{"PushButton5_Click 114"};
        QTest::newRow("on the share") << "mnt/hung" << QStringList{"mnt/a/one.txt"} << shareReport << false;
        QTest::newRow("through a link") << "nas/hung" << QStringList{"mnt/a/one.txt"} << shareReport << false;
        QTest::newRow("through ..") << "local/../mnt/hung" << QStringList{"mnt/a/one.txt"} << shareReport << false;
        QTest::newRow("a link among the files")
            << "local" << QStringList{"mnt/a/one.txt", "local/kept.txt"} << QStringList{} << false;
        QTest::newRow("the settings through a link") << "nas/hung" << QStringList{} << QStringList{} << true;
    }
    void aHungFolderKeepsTheWindowLiveUntilTheShareIsDropped()
    {
        QFETCH(QString, listed);
        QFETCH(QStringList, results);
        QFETCH(QStringList, reports);
        QFETCH(bool, storing);
        TestTree tree({"a/one.txt", "hung/never.txt"});
        TestTree local({"mnt/", "nas -> mnt", "local/kept.txt", "local/hung -> ../mnt/hung", "picked/"});
        LatencyShare share(tree.path(), 0, QStringLiteral("hung"), local.path("mnt"));
        SKIP_WITHOUT_SHARE(share);
        // A window frozen in the folder would wait for good: the share's server is ended after 5 s.
        std::promise<void> done;
        std::jthread watchdog([server = share.serverPid(), ended = done.get_future()] {
            if (ended.wait_for(std::chrono::seconds(5)) == std::future_status::timeout)
                ::kill(pid_t(server), SIGKILL);
        });
        // No readers ahead: one that looked up the hung folder first would hold the lookup of the folder
        // before it, as the kernel takes the lookups in one folder one at a time.
        WindowHarness h(0);
        QtCallWaiter waiter(h.gate);
        h.files.setWaiter(&waiter);
        IniSettingsStorage settings(local.path(listed));
        settings.setWaiter(&waiter);
        h.start();
        h.form().FolderList.append(share.path("a"));
        h.form().FolderList.append(local.path(listed));
        const QStringList folders = h.folderEntries();
        if (!storing)
            h.dialogs.folderNext(local.path("picked"));
        QAccessibleInterface* add = QAccessible::queryAccessibleInterface(h.window().PushButton(6));
        QElapsedTimer sinceTick, waited;
        qint64 worstGap = 0;
        QTimer ticks;
        bool pressed = false, dropped = false;
        QStringList foldersAtDrop;
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            if (dropped)
                return;
            worstGap = std::max(worstGap, sinceTick.restart());
            if (!storing && !pressed && (pressed = waited.elapsed() > 300))
                add->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            if ((dropped = waited.elapsed() > 1000)) {
                foldersAtDrop = h.folderEntries();
                share.drop();
            }
        });
        sinceTick.start();
        waited.start();
        ticks.start(5);
        if (storing)
            QVERIFY_THROWS_EXCEPTION(Failure, settings.write("Quillmark", "Tallyfold", "Text1", "txt"));
        else
            h.click(5);
        ticks.stop();
        done.set_value();
        QVERIFY2(dropped, "the hung folder answered, or the window froze until its server was ended");
        QVERIFY2(worstGap <= 100, qPrintable(QStringLiteral("the window waited %1 ms").arg(worstGap)));
        QCOMPARE(h.resultEntries().replaceInStrings(local.path() + u'/', QString()), results);
        QCOMPARE(reportPlaces(h), reports);
        if (!storing) {
            QCOMPARE(foldersAtDrop, folders);
            QTRY_COMPARE(h.folderEntries(), folders + QStringList{local.path("picked") + u'/'});
        }
    }
};

QTEST_MAIN(TestShares)
#include "test_shares.moc"
