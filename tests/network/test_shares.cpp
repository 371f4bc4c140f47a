// Folders on a share that answers slowly, or not at all: the latency file system stands in for the server.
// The commands list what find lists there, with and without the readers ahead; input that comes while a call
// waits runs after it; a folder that never answers keeps the window live, and lets go when the share is
// dropped.
#include "ErrorReports.h"
#include "FolderOrder.h"
#include "LatencyShare.h"
#include "PaneLines.h"
#include "TestTree.h"
#include "WindowHarness.h"
#include "app/PaneView.h"
#include "platform/IniSettingsStorage.h"
#include "platform/QtCallWaiter.h"

#include <QElapsedTimer>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include <csignal>
#include <future>
#include <thread>

namespace {

#define SKIP_WITHOUT_SHARE(share)                                                                                      \
    if (!(share).isMounted())                                                                                          \
    QSKIP("the latency file system cannot be mounted here: it needs root, /dev/fuse and libfuse3-dev at build time")

} // namespace

class TestShares : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
        QtCallWaiter waiter;
        h.files.setWaiter(&waiter);
        h.start();
        h.dialogs.folderNext(top);
        h.click(6);
        QCOMPARE(h.folderEntries(), inOrderOf(findFolders(top), breadthFirstFolders(top)));
        h.click(5);
        QCOMPARE(sorted(h.resultEntries()), findListedFiles(top));
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
        QtCallWaiter waiter;
        h.files.setWaiter(&waiter);
        h.start();
        h.form().ListView1.append(share.path("a"));
        h.form().ListView1.append(share.path("b"));
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

    // A folder that never answers, named on the share or reached from the local disk through a link or "..", or
    // a link to it among a local folder's files, or the settings folder: the window's timers keep running while
    // the listing or the storing waits, and dropping the share ends the wait; the folders before it are listed.
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
        TestTree local({"mnt/", "nas -> mnt", "local/kept.txt", "local/hung -> ../mnt/hung"});
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
        QtCallWaiter waiter;
        h.files.setWaiter(&waiter);
        IniSettingsStorage settings(local.path(listed));
        settings.setWaiter(&waiter);
        h.start();
        h.form().ListView1.append(share.path("a"));
        h.form().ListView1.append(local.path(listed));
        QElapsedTimer sinceTick, waited;
        qint64 worstGap = 0;
        QTimer ticks;
        bool dropped = false;
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            if (dropped)
                return;
            worstGap = std::max(worstGap, sinceTick.restart());
            if ((dropped = waited.elapsed() > 1000))
                share.drop();
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
    }
};

QTEST_MAIN(TestShares)
#include "test_shares.moc"
