#include "testbed/SmbShare.h"

#include "testbed/DelayRelay.h"

#include <QDir>
#include <QFile>

namespace {

const QString kSmbd = QStringLiteral("/usr/sbin/smbd");

} // namespace

SmbShare::SmbShare(const QString& folder, int roundTripMs, const QString& mountPoint)
    : RealShare(mountPoint, roundTripMs)
{
    need(kSmbd, QStringLiteral("samba"));
    need(QStringLiteral("smbnetfs"), QStringLiteral("smbnetfs"));
    if (!m_missing.isEmpty())
        return;
    const int port = freeLoopbackPort();
    // Everything smbd keeps goes into the share's own folder; no printing, no NetBIOS, guests as root.
    const QString state = work(QStringLiteral("state"));
    QDir().mkpath(state);
    const QString config = QStringLiteral("[global]\nserver role = standalone server\nsmb ports = %1\n"
                                          "interfaces = 127.0.0.1\nbind interfaces only = yes\n"
                                          "disable netbios = yes\nmap to guest = Bad User\nguest account = root\n"
                                          "load printers = no\nprinting = bsd\nprintcap name = /dev/null\n"
                                          "disable spoolss = yes\nprivate dir = %2\nlock directory = %2\n"
                                          "state directory = %2\ncache directory = %2\npid directory = %2\n"
                                          "ncalrpc dir = %2/ncalrpc\npassdb backend = tdbsam:%2/passdb.tdb\n"
                                          "log level = 0\n"
                                          "[share]\npath = %3\nguest ok = yes\nguest only = yes\nread only = no\n"
                                          "force user = root\n")
                               .arg(port)
                               .arg(state, folder);
    // smbnetfs refuses a configuration that others may read; this one names only the guest.
    const QString client = work(QStringLiteral(".smb/smbnetfs.conf"));
    QDir().mkpath(work(QStringLiteral(".smb")));
    if (!writeFile(work(QStringLiteral("smb.conf")), config.toUtf8()) ||
        !writeFile(client, "smb_query_browsers \"false\"\nuse_libsecret \"false\"\nauth \"guest\" \"\"\n") ||
        !QFile::setPermissions(client, QFile::ReadOwner | QFile::WriteOwner))
        return;
    m_smbd.setStandardOutputFile(work(QStringLiteral("smbd.log")));
    m_smbd.setStandardErrorFile(work(QStringLiteral("smbd.log")));
    // In a process group of its own: smbd ends its whole group when it ends.
    m_smbd.start(kSmbd, {QStringLiteral("--foreground"), QStringLiteral("--debug-stdout"),
                         QStringLiteral("--configfile=") + work(QStringLiteral("smb.conf"))});
    if (m_smbd.waitForStarted())
        relayTo(port, /*smb2*/ true);
}

SmbShare::~SmbShare()
{
    unmount();
    m_smbd.terminate();
    if (!m_smbd.waitForFinished(5000))
        m_smbd.kill();
    m_smbd.waitForFinished();
}

QStringList SmbShare::clientCommand() const
{
    return {QStringLiteral("smbnetfs"), QStringLiteral("-f"), mountPoint(), QStringLiteral("-o"),
            QStringLiteral("config=") + work(QStringLiteral(".smb/smbnetfs.conf"))};
}

QProcessEnvironment SmbShare::clientEnvironment() const
{
    // libsmbclient looks for ~/.smb: the share's own folder stands in for the user's.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), work({}));
    return environment;
}

QString SmbShare::path(const QString& relative) const
{
    const QString share = QStringLiteral("%1/127.0.0.1:%2/share").arg(mountPoint()).arg(relayPort());
    return relative.isEmpty() ? share : share + u'/' + relative;
}

std::map<std::string, long> SmbShare::takeCounts()
{
    return relay() ? relay()->takeCounts() : std::map<std::string, long>();
}
