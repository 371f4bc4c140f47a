#include "platform/posix/ReadAheadHints.h"

#include "platform/posix/PosixFileSystem.h"

ReadAheadHints::ReadAheadHints(PosixFileSystem& files, bool subfolders)
    : m_files(files), m_subfolders(subfolders), m_reach(PosixFileSystem::kDiskReach), m_before(files.m_timing)
{}

ReadAheadHints::~ReadAheadHints()
{
    if (m_files.m_readers)
        m_files.m_readers->dropPending();
    m_files.m_shareReaders.dropPending();
}

void ReadAheadHints::want(const QString& folder)
{
    const QByteArray name = m_files.folderName(folder);
    if (name.isEmpty())
        return;
    if (m_files.m_calls.mounts().mayHang(name)) {
        m_reach = ShareReaders::kReach;
        m_files.m_shareReaders.want(name.toStdString(), m_subfolders);
        return;
    }
    m_open = m_open || m_files.m_alwaysReadAhead || m_files.m_timing.waitedSince(m_before);
    if (!m_open) {
        if (m_heldBack.size() == m_files.readers().mostPending())
            m_heldBack.pop_front();
        m_heldBack.push_back(name.toStdString());
        return;
    }
    for (std::string& held : m_heldBack)
        m_files.readers().want(std::move(held), m_subfolders);
    m_heldBack.clear();
    m_files.readers().want(name.toStdString(), m_subfolders);
}
