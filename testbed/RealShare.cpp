#include "testbed/RealShare.h"

#include "platform/shares/MountTable.h"
#include "testbed/DelayRelay.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool inMountTable(const QString& path)
{
    const std::string wanted = QFile::encodeName(path).toStdString();
    const std::vector<MountTable::Mount> mounts = MountTable::current();
    return std::any_of(mounts.begin(), mounts.end(), [&](const auto& mount) { return mount.point == wanted; });
}

bool listens(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(std::uint16_t(port));
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

// Waits up to 10 s for the condition, asking every 10 ms.
template <typename Condition> bool waitFor(Condition&& condition)
{
    QElapsedTimer waited;
    waited.start();
    while (!condition()) {
        if (waited.elapsed() > 10000)
            return false;
        QThread::msleep(10);
    }
    return true;
}

} // namespace

bool runToEnd(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size() && file.flush();
}

RealShare::RealShare(const QString& mountPoint, int roundTripMs)
    : m_mountPoint(mountPoint.isEmpty() ? m_temporaryMountPoint.path() : mountPoint), m_roundTripMs(roundTripMs)
{
    QDir().mkpath(m_mountPoint);
    need(QStringLiteral("/dev/fuse"), QStringLiteral("the FUSE device"));
    if (::geteuid() != 0)
        m_missing += QStringLiteral(" root");
}

RealShare::~RealShare()
{
    unmount();
}

void RealShare::need(const QString& path, const QString& package)
{
    if (path.startsWith(u'/') ? !QFileInfo::exists(path) : QStandardPaths::findExecutable(path).isEmpty())
        m_missing += QStringLiteral(" %1 (%2)").arg(path, package);
}

bool RealShare::relayTo(int serverPort, bool smb2)
{
    if (!waitFor([&] { return listens(serverPort); }))
        return false;
    m_relay = std::make_unique<DelayRelay>(serverPort, m_roundTripMs / 2,
                                           smb2 ? DelayRelay::Stream::Smb2 : DelayRelay::Stream::Opaque);
    return m_relay->port() != 0;
}

int RealShare::relayPort() const
{
    return m_relay ? m_relay->port() : 0;
}

bool RealShare::mount()
{
    unmount();
    if (!m_missing.isEmpty() || !m_relay)
        return false;
    const QStringList command = clientCommand();
    m_client.setProcessEnvironment(clientEnvironment());
    m_client.setStandardOutputFile(work(QStringLiteral("client.log")), QIODevice::Append);
    m_client.setStandardErrorFile(work(QStringLiteral("client.log")), QIODevice::Append);
    m_client.start(command.front(), command.mid(1));
    m_mounted = m_client.waitForStarted() &&
                waitFor([&] { return inMountTable(m_mountPoint) || m_client.state() == QProcess::NotRunning; }) &&
                inMountTable(m_mountPoint);
    return m_mounted;
}

void RealShare::unmount()
{
    if (m_mounted || inMountTable(m_mountPoint))
        runToEnd(QStringLiteral("fusermount3"), {QStringLiteral("-u"), QStringLiteral("-z"), m_mountPoint});
    m_mounted = false;
    // A client ends by itself once nothing holds the mount any more; a file or folder still open on it (the
    // program may keep one) would hold it, so the client is told to end.
    if (m_client.state() != QProcess::NotRunning) {
        m_client.terminate();
        if (!m_client.waitForFinished(5000))
            m_client.kill();
        m_client.waitForFinished();
    }
}
