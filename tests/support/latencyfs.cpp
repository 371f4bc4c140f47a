// A network share stood in for by a FUSE file system: it mirrors a folder and answers every request after a
// set delay, many requests at once, with the kernel keeping names, attributes and file contents a while as
// network file systems let it. Folder listings are not kept yet: libfuse's path-based interface does not hand
// the folder's caching flag on to the kernel, so every listing asks the server again.
// One named folder can be made never to answer, as a share whose server went away.
//
//   latencyfs SOURCE MOUNTPOINT DELAY_MS [HUNG_PATH]
//
// HUNG_PATH is relative to SOURCE ("a/b"): every request on it or below it waits for ever. The program stays
// in the foreground until the mount is dropped (fusermount3 -u MOUNTPOINT).
#define FUSE_USE_VERSION 312
#include <fuse3/fuse.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>

namespace {

std::string g_source;
int g_delayMs = 0;
std::string g_hung; // "/a/b", or empty

// Waits as a server far away would, and for ever on the hung folder.
std::string real(const char* path)
{
    if (!g_hung.empty() && std::strncmp(path, g_hung.c_str(), g_hung.size()) == 0 &&
        (path[g_hung.size()] == '\0' || path[g_hung.size()] == '/')) {
        for (;;)
            ::pause();
    }
    if (g_delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(g_delayMs));
    return g_source + path;
}

int result(int value)
{
    return value < 0 ? -errno : value;
}

void* onInit(fuse_conn_info* connection, fuse_config* config)
{
    // Lookups in one folder answer each other's waiting, as a server does: a name that never answers holds
    // only the callers that asked for it.
    connection->want |= FUSE_CAP_PARALLEL_DIROPS;
    // As a network file system: names and attributes are kept a while, and so is what a file or folder held.
    config->entry_timeout = 60;
    config->attr_timeout = 60;
    config->negative_timeout = 60;
    config->kernel_cache = 1;
    config->use_ino = 1;
    return nullptr;
}

int onGetattr(const char* path, struct stat* info, fuse_file_info* file)
{
    if (file)
        return result(::fstat(int(file->fh), info));
    return result(::lstat(real(path).c_str(), info));
}

int onReadlink(const char* path, char* buffer, size_t size)
{
    const ssize_t length = ::readlink(real(path).c_str(), buffer, size - 1);
    if (length < 0)
        return -errno;
    buffer[length] = '\0';
    return 0;
}

int onOpendir(const char* path, fuse_file_info* file)
{
    DIR* folder = ::opendir(real(path).c_str());
    if (!folder)
        return -errno;
    file->fh = reinterpret_cast<uint64_t>(folder);
    file->cache_readdir = 1; // asked for, though the path-based interface drops it
    file->keep_cache = 1;
    return 0;
}

int onReaddir(const char*, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info* file, fuse_readdir_flags)
{
    DIR* folder = reinterpret_cast<DIR*>(file->fh);
    if (g_delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(g_delayMs));
    ::rewinddir(folder);
    while (dirent* entry = ::readdir(folder)) {
        struct stat info
        {};
        info.st_ino = entry->d_ino;
        info.st_mode = DTTOIF(entry->d_type);
        if (fill(buffer, entry->d_name, &info, 0, fuse_fill_dir_flags(0)))
            break;
    }
    return 0;
}

int onReleasedir(const char*, fuse_file_info* file)
{
    ::closedir(reinterpret_cast<DIR*>(file->fh));
    return 0;
}

int onOpen(const char* path, fuse_file_info* file)
{
    const int fd = ::open(real(path).c_str(), file->flags);
    if (fd < 0)
        return -errno;
    file->fh = uint64_t(fd);
    file->keep_cache = 1;
    return 0;
}

int onCreate(const char* path, mode_t mode, fuse_file_info* file)
{
    const int fd = ::open(real(path).c_str(), file->flags, mode);
    if (fd < 0)
        return -errno;
    file->fh = uint64_t(fd);
    return 0;
}

int onRead(const char*, char* buffer, size_t size, off_t offset, fuse_file_info* file)
{
    if (g_delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(g_delayMs));
    return result(int(::pread(int(file->fh), buffer, size, offset)));
}

int onWrite(const char*, const char* buffer, size_t size, off_t offset, fuse_file_info* file)
{
    if (g_delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(g_delayMs));
    return result(int(::pwrite(int(file->fh), buffer, size, offset)));
}

int onRelease(const char*, fuse_file_info* file)
{
    ::close(int(file->fh));
    return 0;
}

int onFsync(const char*, int dataOnly, fuse_file_info* file)
{
    return result(dataOnly ? ::fdatasync(int(file->fh)) : ::fsync(int(file->fh)));
}

int onStatfs(const char* path, struct statvfs* info)
{
    return result(::statvfs(real(path).c_str(), info));
}

int onAccess(const char* path, int mask)
{
    return result(::access(real(path).c_str(), mask));
}

int onMkdir(const char* path, mode_t mode)
{
    return result(::mkdir(real(path).c_str(), mode));
}

int onUnlink(const char* path)
{
    return result(::unlink(real(path).c_str()));
}

int onRmdir(const char* path)
{
    return result(::rmdir(real(path).c_str()));
}

int onSymlink(const char* target, const char* path)
{
    return result(::symlink(target, real(path).c_str()));
}

int onRename(const char* from, const char* to, unsigned int flags)
{
    return result(int(::renameat2(AT_FDCWD, real(from).c_str(), AT_FDCWD, real(to).c_str(), flags)));
}

int onLink(const char* from, const char* to)
{
    return result(::link(real(from).c_str(), real(to).c_str()));
}

int onChmod(const char* path, mode_t mode, fuse_file_info* file)
{
    return result(file ? ::fchmod(int(file->fh), mode) : ::chmod(real(path).c_str(), mode));
}

int onChown(const char* path, uid_t owner, gid_t group, fuse_file_info* file)
{
    return result(file ? ::fchown(int(file->fh), owner, group) : ::lchown(real(path).c_str(), owner, group));
}

int onTruncate(const char* path, off_t size, fuse_file_info* file)
{
    return result(file ? ::ftruncate(int(file->fh), size) : ::truncate(real(path).c_str(), size));
}

int onUtimens(const char* path, const timespec times[2], fuse_file_info* file)
{
    return result(file ? ::futimens(int(file->fh), times)
                       : ::utimensat(AT_FDCWD, real(path).c_str(), times, AT_SYMLINK_NOFOLLOW));
}

int onFallocate(const char*, int mode, off_t offset, off_t length, fuse_file_info* file)
{
    return result(::fallocate(int(file->fh), mode, offset, length));
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s SOURCE MOUNTPOINT DELAY_MS [HUNG_PATH]\n", argv[0]);
        return 2;
    }
    g_source = argv[1];
    g_delayMs = std::atoi(argv[3]);
    if (argc > 4)
        g_hung = std::string("/") + argv[4];

    fuse_operations operations{};
    operations.init = onInit;
    operations.getattr = onGetattr;
    operations.readlink = onReadlink;
    operations.opendir = onOpendir;
    operations.readdir = onReaddir;
    operations.releasedir = onReleasedir;
    operations.open = onOpen;
    operations.create = onCreate;
    operations.read = onRead;
    operations.write = onWrite;
    operations.release = onRelease;
    operations.fsync = onFsync;
    operations.statfs = onStatfs;
    operations.access = onAccess;
    operations.mkdir = onMkdir;
    operations.unlink = onUnlink;
    operations.rmdir = onRmdir;
    operations.symlink = onSymlink;
    operations.rename = onRename;
    operations.link = onLink;
    operations.chmod = onChmod;
    operations.chown = onChown;
    operations.truncate = onTruncate;
    operations.utimens = onUtimens;
    operations.fallocate = onFallocate;

    // Open to every user as a share is, answering up to 64 requests at once: a request that waits holds only
    // its own thread.
    // LATENCYFS_DEBUG in the environment prints every request.
    char* arguments[] = {argv[0], const_cast<char*>("-o"),
                         const_cast<char*>("allow_other,default_permissions,fsname=latencyfs,subtype=latencyfs"),
                         const_cast<char*>("-d")};
    fuse_args args = FUSE_ARGS_INIT(std::getenv("LATENCYFS_DEBUG") ? 4 : 3, arguments);
    fuse* session = fuse_new(&args, &operations, sizeof operations, nullptr);
    if (!session || fuse_mount(session, argv[2]) != 0)
        return 1;
    fuse_set_signal_handlers(fuse_get_session(session));
    fuse_loop_config* loop = fuse_loop_cfg_create();
    fuse_loop_cfg_set_max_threads(loop, 64);
    fuse_loop_cfg_set_idle_threads(loop, 64);
    const int status = fuse_loop_mt(session, loop);
    fuse_loop_cfg_destroy(loop);
    fuse_remove_signal_handlers(fuse_get_session(session));
    fuse_unmount(session);
    fuse_destroy(session);
    return status == 0 ? 0 : 1;
}
