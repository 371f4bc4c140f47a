#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A network share stood in for by the latency file system (latencyfs): `source` seen through a mount of the
// test's own, every request answered after `delayMs`, and the folder `hung` (relative to `source`) never. The
// mount is dropped and its server ended when the share goes, which lets every waiting call go. isMounted()
// tells whether it could be made: it needs root, /dev/fuse and libfuse3 at build time. The mount point is a
// temporary folder, or `mountPoint` where one is given.
class LatencyShare
{
public:
    LatencyShare(const QString& source, int delayMs, const QString& hung = {}, const QString& mountPoint = {});
    ~LatencyShare();
    LatencyShare(const LatencyShare&) = delete;
    LatencyShare& operator=(const LatencyShare&) = delete;

    bool isMounted() const { return m_mounted; }
    // The path of an entry of the share as mounted (the mount point for "").
    QString path(const QString& relative = {}) const;
    // Drops the mount at once, as a user does with fusermount -u -z; calls waiting on it fail.
    void drop();
    // The server's process: ending it from any thread fails every call waiting on the share.
    qint64 serverPid() const { return m_server.processId(); }

    static QString serverProgram();

private:
    QTemporaryDir m_temporary;
    QString m_mountPoint;
    QProcess m_server;
    bool m_mounted = false;
};

// Whether the path is a mount point in this process's mount table.
bool isMountPoint(const QString& path);
