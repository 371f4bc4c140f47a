#include "cli/ListOutput.h"

#include "base/Failure.h"

#include <cerrno>
#include <unistd.h>

void ListOutput::flush()
{
    std::string_view rest = m_block;
    while (!rest.empty()) {
        qint64 written = 0;
        if (m_device) {
            written = m_device->write(rest.data(), qint64(rest.size()));
            if (written < 0)
                throw Failure(m_device->errorString());
        } else {
            written = ::write(m_descriptor, rest.data(), rest.size());
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0 && errno == EPIPE)
                throw ReaderGone{};
            if (written < 0)
                throw Failure::fromErrno(errno);
        }
        rest.remove_prefix(std::size_t(written));
    }
    m_block.clear();
}
