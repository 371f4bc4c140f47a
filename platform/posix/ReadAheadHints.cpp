#include "platform/posix/ReadAheadHints.h"

FolderReadAhead& DiskReaders::readers()
{
    if (!m_readers)
        m_readers = std::make_unique<FolderReadAhead>(m_threads, kReach * 2);
    return *m_readers;
}

ReadAheadHints::ReadAheadHints(Sources sources, bool subfolders)
    : m_sources(std::move(sources)), m_subfolders(subfolders), m_before(m_sources.timing)
{}

ReadAheadHints::~ReadAheadHints()
{
    m_sources.diskReaders.dropPending();
    m_sources.shareReaders.dropPending();
}

void ReadAheadHints::want(const QString& folder)
{
    const QByteArray name = m_sources.folderName(folder);
    if (name.isEmpty())
        return;
    if (m_sources.mounts.mayHang(name)) {
        // smbnetfs answers one request at a time and keeps no listing: a folder read ahead would only
        // be read twice, the command's read waiting behind the reader's.
        if (m_sources.mounts.typeAt(name.toStdString()) == "fuse.smbnetfs")
            return;
        m_reach = ShareReaders::kReach;
        m_sources.shareReaders.want(name.toStdString(), m_subfolders);
        return;
    }
    m_open = m_open || m_sources.alwaysReadAhead || m_sources.timing.waitedSince(m_before);
    FolderReadAhead& readers = m_sources.diskReaders.readers();
    if (!m_open) {
        if (m_heldBack.size() == readers.mostPending())
            m_heldBack.pop_front();
        m_heldBack.push_back(name.toStdString());
        return;
    }
    for (std::string& held : m_heldBack)
        readers.want(std::move(held), m_subfolders);
    m_heldBack.clear();
    readers.want(name.toStdString(), m_subfolders);
}
