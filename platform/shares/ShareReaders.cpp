#include "platform/shares/ShareReaders.h"

FolderReadAhead& ShareReaders::readers()
{
    if (!m_readers)
        m_readers = std::make_unique<FolderReadAhead>(kReaders, kReach * 2);
    return *m_readers;
}

void ShareReaders::dropPending()
{
    if (m_readers)
        m_readers->dropPending();
}
