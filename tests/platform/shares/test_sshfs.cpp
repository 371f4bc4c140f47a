// A real network file system: an SFTP share (sshfs) served by an sshd that the test starts on 127.0.0.1 with
// keys of its own. The walk and the listing give there exactly what find gives on the same mount.
#include "ErrorReports.h"
#include "FindOracle.h"
#include "FolderOrder.h"
#include "PaneEntries.h"
#include "TestTree.h"
#include "WindowHarness.h"
#include "platform/qt/QtCallWaiter.h"
#include "testbed/LatencyShare.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A port on 127.0.0.1 that nothing listens on now.
int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// sshd on 127.0.0.1 with a throwaway host key, letting in the holder of a throwaway user key, and sshfs
// mounting `folder` through it.
class SftpShare
{
public:
    explicit SftpShare(const QString& folder)
    {
        const QString sshd = QStringLiteral("/usr/sbin/sshd");
        if (!QFileInfo::exists(sshd) || QStandardPaths::findExecutable("sshfs").isEmpty() ||
            !QFileInfo::exists("/dev/fuse") || ::geteuid() != 0)
            return;
        const QString keys = m_keys.path();
        if (!run("ssh-keygen", {"-q", "-t", "ed25519", "-N", "", "-f", keys + "/host"}) ||
            !run("ssh-keygen", {"-q", "-t", "ed25519", "-N", "", "-f", keys + "/user"}) ||
            !QFile::copy(keys + "/user.pub", keys + "/authorized_keys"))
            return;
        const int port = freePort();
        QFile config(keys + "/sshd_config");
        config.open(QIODevice::WriteOnly);
        config.write(QStringLiteral("ListenAddress 127.0.0.1\nPort %1\nHostKey %2/host\nAuthorizedKeysFile "
                                    "%2/authorized_keys\nPasswordAuthentication no\nKbdInteractiveAuthentication "
                                    "no\nPermitRootLogin prohibit-password\nStrictModes no\nUsePAM no\nPidFile "
                                    "%2/sshd.pid\nSubsystem sftp internal-sftp\n")
                         .arg(port)
                         .arg(keys)
                         .toUtf8());
        config.close();
        QDir().mkpath("/run/sshd"); // its privilege separation folder
        m_sshd.start(sshd, {"-D", "-e", "-f", keys + "/sshd_config"});
        if (!m_sshd.waitForStarted())
            return;
        QElapsedTimer waited;
        waited.start();
        while (!m_mounted && waited.elapsed() < 10000 && m_sshd.state() == QProcess::Running) {
            run("sshfs",
                {"-p", QString::number(port), "-o",
                 "IdentityFile=" + keys + "/user,StrictHostKeyChecking=no,UserKnownHostsFile=/dev/null,BatchMode=yes",
                 "root@127.0.0.1:" + folder, m_mountPoint.path()});
            m_mounted = isMountPoint(m_mountPoint.path());
            if (!m_mounted)
                QThread::msleep(100);
        }
    }
    ~SftpShare()
    {
        if (m_mounted)
            QProcess::execute("fusermount3", {"-u", "-z", m_mountPoint.path()});
        m_sshd.kill();
        m_sshd.waitForFinished();
    }
    bool isMounted() const { return m_mounted; }
    QString path(const QString& relative) const { return m_mountPoint.path() + u'/' + relative; }

private:
    QTemporaryDir m_keys, m_mountPoint;
    QProcess m_sshd;
    bool m_mounted = false;
};

} // namespace

class TestSshfs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void walkAndListingAgreeWithFind()
    {
        TestTree tree({"top/a/a1/x.txt", "top/a/a2/y.md", "top/with space/z", "top/.dot/inner/f.txt",
                       QString::fromUtf8("top/\xc3\xa9t\xc3\xa9/caf\xc3\xa9.txt"), "top/b/~lock", "top/g.txt",
                       "top/link -> a"});
        SftpShare share(tree.path());
        if (!share.isMounted())
            QSKIP("no SFTP share can be mounted here: it needs root, /dev/fuse, openssh-server and sshfs");
        const QString top = share.path("top");
        WindowHarness h;
        QtCallWaiter waiter(h.gate);
        h.files.setWaiter(&waiter);
        h.start();
        h.dialogs.folderNext(top);
        h.click(6);
        const QStringList folders = findFolders(top);
        QCOMPARE(folders.size(), 9); // so that the share shows the tree this test believes it does
        QCOMPARE(h.folderEntries(), inOrderOf(folders, breadthFirstFolders(top)));
        h.click(5);
        QStringList listed = h.resultEntries();
        listed.sort();
        QCOMPARE(listed, sorted(findListedFiles(top, 0, QStringLiteral("*"), true)));
        QCOMPARE(listed.size(), 6);
        QCOMPARE(otherMessages(h), QStringList{"Done."});
    }
};

QTEST_MAIN(TestSshfs)
#include "test_sshfs.moc"
