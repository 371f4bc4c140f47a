#include "testbed/LatencyShare.h"

#include "platform/shares/MountTable.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <string>

bool isMountPoint(const QString& path)
{
    const std::string wanted = QFile::encodeName(path).toStdString();
    const std::vector<MountTable::Mount> mounts = MountTable::current();
    return std::any_of(mounts.begin(), mounts.end(), [&](const auto& mount) { return mount.point == wanted; });
}

QString LatencyShare::serverProgram()
{
#ifdef TALLYFOLD_LATENCYFS
    return QStringLiteral(TALLYFOLD_LATENCYFS);
#else
    return QString();
#endif
}

LatencyShare::LatencyShare(const QString& source, int delayMs, const QString& hung, const QString& mountPoint)
    : m_mountPoint(mountPoint.isEmpty() ? m_temporary.path() : mountPoint)
{
    if (serverProgram().isEmpty() || !QFileInfo::exists(serverProgram()) || !QFileInfo::exists("/dev/fuse"))
        return;
    QStringList arguments{source, m_mountPoint, QString::number(delayMs)};
    if (!hung.isEmpty())
        arguments.append(hung);
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.start(serverProgram(), arguments);
    QElapsedTimer waited;
    waited.start();
    while (!m_mounted && waited.elapsed() < 5000 && m_server.state() != QProcess::NotRunning) {
        QThread::msleep(10);
        m_mounted = isMountPoint(m_mountPoint);
    }
}

LatencyShare::~LatencyShare()
{
    drop();
}

void LatencyShare::drop()
{
    if (m_mounted)
        QProcess::execute(QStringLiteral("fusermount3"), {"-u", "-z", m_mountPoint});
    m_mounted = false;
    // A server whose mount is gone ends by itself, unless a request holds one of its threads.
    if (m_server.state() != QProcess::NotRunning && !m_server.waitForFinished(1000)) {
        m_server.kill();
        m_server.waitForFinished();
    }
}

QString LatencyShare::path(const QString& relative) const
{
    return relative.isEmpty() ? m_mountPoint : m_mountPoint + QChar(u'/') + relative;
}
