// Real network file systems, served on 127.0.0.1 by servers the test starts: an SFTP share (sshd, mounted by
// sshfs) and an SMB share (smbd, mounted by smbnetfs). The walk and the listing give there exactly what find
// gives on the same mount.
#include "ErrorReports.h"
#include "FindOracle.h"
#include "FolderOrder.h"
#include "PaneEntries.h"
#include "TestTree.h"
#include "WindowHarness.h"
#include "platform/qt/QtCallWaiter.h"
#include "testbed/SftpShare.h"
#include "testbed/SmbShare.h"

#include <QtTest>

#include <memory>

class TestRealShares : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void walkAndListingAgreeWithFind_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("folders"); // as this client shows the tree: SMB shows the link as a folder
        QTest::addColumn<int>("files");
        QTest::newRow("SFTP through sshfs") << "sftp" << 9 << 6;
        QTest::newRow("SMB through smbnetfs") << "smb" << 12 << 8;
    }
    void walkAndListingAgreeWithFind()
    {
        QFETCH(QString, kind);
        QFETCH(int, folders);
        QFETCH(int, files);
        if (!QFileInfo::exists("/dev/fuse"))
            QSKIP("no /dev/fuse here: no FUSE client can mount a share");
        TestTree tree({"top/a/a1/x.txt", "top/a/a2/y.md", "top/with space/z", "top/.dot/inner/f.txt",
                       QString::fromUtf8("top/\xc3\xa9t\xc3\xa9/caf\xc3\xa9.txt"), "top/b/~lock", "top/g.txt",
                       "top/link -> a"});
        std::unique_ptr<RealShare> share;
        if (kind == "sftp")
            share = std::make_unique<SftpShare>(tree.path());
        else
            share = std::make_unique<SmbShare>(tree.path());
        QVERIFY2(share->missing().isEmpty(), qPrintable("this machine lacks" + share->missing()));
        QVERIFY(share->mount());
        const QString top = share->path("top");
        WindowHarness h;
        QtCallWaiter waiter(h.gate);
        h.files.setWaiter(&waiter);
        h.start();
        h.dialogs.folderNext(top);
        h.click(6);
        const QStringList found = findFolders(top);
        QCOMPARE(found.size(), folders); // so that the share shows the tree this test believes it does
        QCOMPARE(h.folderEntries(), inOrderOf(found, breadthFirstFolders(top)));
        h.click(5);
        QStringList listed = h.resultEntries();
        listed.sort();
        QCOMPARE(listed, sorted(findListedFiles(top, 0, QStringLiteral("*"), true)));
        QCOMPARE(listed.size(), files);
        QCOMPARE(otherMessages(h), QStringList{"Done."});

        // The results saved over a file on the share: smbnetfs failed the removal of the save's temporary file
        // for a moment, and it stayed on the share.
        QFile old(tree.path("results.txt"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old\n") == 4);
        old.close();
        h.dialogs.saveNext(share->path("results.txt"));
        h.dialogs.answerNext(MsgBoxAnswer::Yes); // to the question whether to overwrite it
        h.click(7);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QStringList saved = QString::fromUtf8(old.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        saved.sort();
        QCOMPARE(saved, sorted(findListedFiles(top, 0, QStringLiteral("*"), true)));
        QCOMPARE(QDir(tree.path()).entryList({".tallyfold-*"}, QDir::Files | QDir::Hidden), QStringList());
    }
};

QTEST_MAIN(TestRealShares)
#include "test_real_shares.moc"
