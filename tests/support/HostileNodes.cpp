#include "HostileNodes.h"

#include <QFile>

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Empties the folder open at `fd`, folders below it included, by names relative to each level.
void removeEverythingIn(int fd)
{
    DIR* dir = ::fdopendir(::dup(fd));
    if (!dir)
        return;
    while (dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        struct stat info;
        if (::fstatat(fd, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode)) {
            const int below = ::openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (below >= 0) {
                removeEverythingIn(below);
                ::close(below);
            }
            ::unlinkat(fd, name, AT_REMOVEDIR);
        } else {
            ::unlinkat(fd, name, 0);
        }
    }
    ::closedir(dir);
}

} // namespace

bool makeSocket(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    if (name.size() >= qsizetype(sizeof(address.sun_path)))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd); // the node stays after the socket is closed
    return bound;
}

DeepChain::DeepChain(const QString& top, const QByteArray& name, int levels, const QByteArray& fileName)
    : m_top(QFile::encodeName(top)), m_name(name), m_levels(levels)
{
    int fd = ::open(m_top.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < levels && fd >= 0; ++level) {
        ::mkdirat(fd, name.constData(), 0755);
        const int next = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
    }
    if (fd < 0)
        return;
    const int file = ::openat(fd, fileName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    m_valid = file >= 0;
    if (file >= 0)
        ::close(file);
    ::close(fd);
}

DeepChain::~DeepChain()
{
    const int top = ::open(m_top.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (top < 0)
        return;
    const int first = ::openat(top, m_name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (first >= 0) {
        removeEverythingIn(first);
        ::close(first);
        ::unlinkat(top, m_name.constData(), AT_REMOVEDIR);
    }
    ::close(top);
}

QString DeepChain::folder(int level) const
{
    QByteArray path = m_top;
    for (int i = 0; i < level; ++i)
        path += '/' + m_name;
    return QFile::decodeName(path);
}
