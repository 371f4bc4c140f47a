#include "testbed/SftpShare.h"

#include "testbed/DelayRelay.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

const QString kSshd = QStringLiteral("/usr/sbin/sshd");
const QString kSftpServer = QStringLiteral("/usr/lib/openssh/sftp-server");

} // namespace

SftpShare::SftpShare(const QString& folder, int roundTripMs, const QString& mountPoint)
    : RealShare(mountPoint, roundTripMs), m_folder(folder)
{
    need(kSshd, QStringLiteral("openssh-server"));
    need(kSftpServer, QStringLiteral("openssh-sftp-server"));
    need(QStringLiteral("sshfs"), QStringLiteral("sshfs"));
    need(QStringLiteral("ssh-keygen"), QStringLiteral("openssh-client"));
    if (!m_missing.isEmpty())
        return;
    const QStringList keygen{
        QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"), QStringLiteral("-N"), QString(),
        QStringLiteral("-f")};
    if (!runToEnd(QStringLiteral("ssh-keygen"), keygen + QStringList{work(QStringLiteral("host"))}) ||
        !runToEnd(QStringLiteral("ssh-keygen"), keygen + QStringList{work(QStringLiteral("user"))}) ||
        !QFile::copy(work(QStringLiteral("user.pub")), work(QStringLiteral("authorized_keys"))))
        return;
    const int port = freeLoopbackPort();
    // The subsystem runs through the shell, which sends sftp-server's log into a file of the share's own.
    const QString config = QStringLiteral("ListenAddress 127.0.0.1\nPort %1\nHostKey %2/host\n"
                                          "AuthorizedKeysFile %2/authorized_keys\nPasswordAuthentication no\n"
                                          "KbdInteractiveAuthentication no\nPermitRootLogin prohibit-password\n"
                                          "StrictModes no\nUsePAM no\nPidFile %2/sshd.pid\n"
                                          "Subsystem sftp %3 -e -l DEBUG3 2>>%2/sftp-server.log\n")
                               .arg(port)
                               .arg(work({}), kSftpServer);
    if (!writeFile(work(QStringLiteral("sshd_config")), config.toUtf8()))
        return;
    QDir().mkpath(QStringLiteral("/run/sshd")); // its privilege separation folder
    m_sshd.setStandardOutputFile(work(QStringLiteral("sshd.log")));
    m_sshd.setStandardErrorFile(work(QStringLiteral("sshd.log")));
    m_sshd.start(kSshd, {QStringLiteral("-D"), QStringLiteral("-e"), QStringLiteral("-f"), work("sshd_config")});
    if (m_sshd.waitForStarted())
        relayTo(port, /*smb2*/ false);
}

SftpShare::~SftpShare()
{
    unmount();
    m_sshd.terminate();
    if (!m_sshd.waitForFinished(5000))
        m_sshd.kill();
    m_sshd.waitForFinished();
}

QStringList SftpShare::clientCommand() const
{
    return {QStringLiteral("sshfs"),
            QStringLiteral("-f"),
            QStringLiteral("-p"),
            QString::number(relayPort()),
            QStringLiteral("-o"),
            QStringLiteral("IdentityFile=%1,StrictHostKeyChecking=no,UserKnownHostsFile=/dev/null,BatchMode=yes")
                .arg(work(QStringLiteral("user"))),
            QStringLiteral("root@127.0.0.1:") + m_folder,
            mountPoint()};
}

QString SftpShare::path(const QString& relative) const
{
    return relative.isEmpty() ? mountPoint() : mountPoint() + u'/' + relative;
}

std::map<std::string, long> SftpShare::takeCounts()
{
    std::map<std::string, long> counts;
    QFile log(work(QStringLiteral("sftp-server.log")));
    if (!log.open(QIODevice::ReadOnly) || !log.seek(m_logRead))
        return counts;
    // "debug3: request 12: opendir", "debug1: request 13: readdir "/x" (handle 0)"...; the answers are logged as
    // "request 12: sent status".
    static const QRegularExpression request(QStringLiteral("request \\d+: (?!sent )(\\w+)"));
    const QByteArray text = log.readAll();
    const qsizetype whole = text.lastIndexOf('\n') + 1; // a line still being written is left for the next call
    for (const QByteArray& line : text.left(whole).split('\n')) {
        if (const QRegularExpressionMatch found = request.match(QString::fromUtf8(line)); found.hasMatch())
            ++counts[found.captured(1).toStdString()];
    }
    m_logRead += whole;
    return counts;
}
