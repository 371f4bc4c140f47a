#include "platform/posix/FileFactsLookup.h"

#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace FileFactsLookup {

std::vector<const char*> starts(const QByteArray& paths)
{
    std::vector<const char*> found;
    const char* at = paths.constData();
    const char* end = at + paths.size();
    while (at < end) {
        found.push_back(at);
        at += std::strlen(at) + 1;
    }
    return found;
}

namespace {

// The folder of the paths looked up last, open for the lookups of its names.
class Folder
{
public:
    ~Folder()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    // The folder open as `path`, or AT_FDCWD where it cannot be opened: the whole path is looked up then.
    int open(std::string_view path)
    {
        if (m_opened && path == m_path)
            return m_fd;
        if (m_fd >= 0)
            ::close(m_fd);
        m_path.assign(path);
        m_opened = true;
        m_fd = ::open(m_path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        return m_fd;
    }

private:
    std::string m_path;
    bool m_opened = false;
    int m_fd = -1;
};

} // namespace

void lookUp(const std::vector<const char*>& paths, std::size_t first, std::size_t last, FileFacts* facts)
{
    Folder folder;
    for (std::size_t i = first; i < last; ++i) {
        const std::string_view path(paths[i]);
        const std::size_t slash = path.rfind('/');
        int at = AT_FDCWD;
        const char* name = paths[i];
        // A name of its own or under the root is looked up whole, as is a name whose folder cannot be opened.
        if (slash != std::string_view::npos && slash > 0 && slash + 1 < path.size()) {
            const int fd = folder.open(path.substr(0, slash));
            if (fd >= 0) {
                at = fd;
                name = paths[i] + slash + 1;
            }
        }
        struct statx info;
        FileFacts& into = facts[i];
        into = FileFacts{};
        if (!path.empty() && ::statx(at, name, AT_NO_AUTOMOUNT, STATX_SIZE | STATX_MTIME, &info) == 0) {
            into.found = true;
            into.size = qint64(info.stx_size);
            into.modifiedSeconds = qint64(info.stx_mtime.tv_sec);
        }
    }
}

} // namespace FileFactsLookup
