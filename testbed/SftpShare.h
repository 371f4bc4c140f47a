#pragma once

#include "testbed/RealShare.h"

// An SFTP share: OpenSSH's sshd on 127.0.0.1 with a throwaway host key and configuration, letting in the
// holder of a throwaway user key, its sftp-server logging every request; sshfs mounts `folder` through it with
// its default options.
class SftpShare : public RealShare
{
public:
    explicit SftpShare(const QString& folder, int roundTripMs = 0, const QString& mountPoint = {});
    ~SftpShare() override;

    QString path(const QString& relative = {}) const override;
    // From sftp-server's log: "opendir", "readdir", "lstat", "open", "read", "write", "close"...
    std::map<std::string, long> takeCounts() override;

protected:
    QStringList clientCommand() const override;

private:
    QString m_folder;
    QProcess m_sshd;
    qint64 m_logRead = 0;
};
