#include "LatencyShare.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <fstream>
#include <sstream>
#include <string>

bool isMountPoint(const QString& path)
{
    std::ifstream table("/proc/self/mountinfo");
    const std::string wanted = QFile::encodeName(path).toStdString();
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point;
        fields >> id >> parent >> device >> root >> point;
        if (point == wanted)
            return true;
    }
    return false;
}

QString LatencyShare::serverProgram()
{
#ifdef TALLYFOLD_LATENCYFS
    return QStringLiteral(TALLYFOLD_LATENCYFS);
#else
    return QString();
#endif
}

LatencyShare::LatencyShare(const QString& source, int delayMs, const QString& hung)
{
    if (serverProgram().isEmpty() || !QFileInfo::exists(serverProgram()) || !QFileInfo::exists("/dev/fuse"))
        return;
    QStringList arguments{source, m_mountPoint.path(), QString::number(delayMs)};
    if (!hung.isEmpty())
        arguments.append(hung);
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.start(serverProgram(), arguments);
    QElapsedTimer waited;
    waited.start();
    while (!m_mounted && waited.elapsed() < 5000 && m_server.state() != QProcess::NotRunning) {
        QThread::msleep(10);
        m_mounted = isMountPoint(m_mountPoint.path());
    }
}

LatencyShare::~LatencyShare()
{
    drop();
}

void LatencyShare::drop()
{
    if (m_mounted)
        QProcess::execute(QStringLiteral("fusermount3"), {"-u", "-z", m_mountPoint.path()});
    m_mounted = false;
    if (m_server.state() != QProcess::NotRunning) {
        m_server.kill();
        m_server.waitForFinished();
    }
}

QString LatencyShare::path(const QString& relative) const
{
    return relative.isEmpty() ? m_mountPoint.path() : m_mountPoint.path() + QChar(u'/') + relative;
}
