#pragma once

#include "testbed/RealShare.h"

// An SMB share: Samba's smbd run as an ordinary process on a free port of 127.0.0.1 with a throwaway
// configuration, serving `folder` to guests as the share "share", written to as root; mounted with smbnetfs, the
// FUSE client a desktop user starts with a configuration file of their own. smbnetfs shows the share as
// <mount point>/<host>:<port>/share.
class SmbShare : public RealShare
{
public:
    explicit SmbShare(const QString& folder, int roundTripMs = 0, const QString& mountPoint = {});
    ~SmbShare() override;

    QString path(const QString& relative = {}) const override;
    // Counted at the relay: the SMB2 commands the client sent ("CREATE", "QUERY_DIRECTORY", "CLOSE"...).
    std::map<std::string, long> takeCounts() override;

protected:
    QStringList clientCommand() const override;
    QProcessEnvironment clientEnvironment() const override;

private:
    QProcess m_smbd;
};
