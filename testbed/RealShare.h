#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <string>

class DelayRelay;

// A folder served by a real network server that runs on 127.0.0.1 for as long as the share lives, reached
// through a DelayRelay that holds each direction half the round trip, and mounted by the FUSE client a desktop
// user would use. Each mount() starts a new client, so it begins with nothing cached, as after a reconnect.
// The client runs in the foreground as a child of this object and goes with the mount.
class RealShare
{
public:
    virtual ~RealShare();
    RealShare(const RealShare&) = delete;
    RealShare& operator=(const RealShare&) = delete;

    // What this machine lacks for the share (a program, /dev/fuse, root); empty where it can be had.
    QString missing() const { return m_missing; }
    // Drops the mount there is and mounts afresh; false where the share cannot be mounted.
    bool mount();
    void unmount();
    bool isMounted() const { return m_mounted; }
    // The path of an entry of the served folder as mounted (the served folder itself for "").
    virtual QString path(const QString& relative = {}) const = 0;
    // The requests the server received since the last call, by kind.
    virtual std::map<std::string, long> takeCounts() = 0;

protected:
    // `mountPoint` "" means a temporary folder of the share's own.
    RealShare(const QString& mountPoint, int roundTripMs);
    // The client that mounts the share at mountPoint(), with its arguments, to run in the foreground.
    virtual QStringList clientCommand() const = 0;
    virtual QProcessEnvironment clientEnvironment() const { return QProcessEnvironment::systemEnvironment(); }
    // Starts the relay in front of the server's port, once the server listens there; false where it does not.
    bool relayTo(int serverPort, bool smb2);
    // Adds the lacking program or file to missing(), when `path` (a path or a program's name) is not there.
    void need(const QString& path, const QString& package);

    QString work(const QString& name) const { return name.isEmpty() ? m_work.path() : m_work.filePath(name); }
    QString mountPoint() const { return m_mountPoint; }
    int relayPort() const;
    DelayRelay* relay() const { return m_relay.get(); }
    QString m_missing;

private:
    QTemporaryDir m_work, m_temporaryMountPoint;
    QString m_mountPoint;
    int m_roundTripMs;
    std::unique_ptr<DelayRelay> m_relay;
    QProcess m_client;
    bool m_mounted = false;
};

// Runs the program to its end, within 30 s; whether it ended well.
bool runToEnd(const QString& program, const QStringList& arguments);
// Writes the text as the whole content of the file; false where it cannot.
bool writeFile(const QString& path, const QByteArray& text);
