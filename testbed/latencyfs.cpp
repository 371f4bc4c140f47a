// A network share stood in for by a FUSE file system: it mirrors a folder and answers every request after a
// set delay, many requests at once, with the kernel keeping names, attributes, file contents and folder
// listings for a while, as network file systems let it. One named folder can be made never to answer, as a
// share whose server went away.
//
//   latencyfs SOURCE MOUNTPOINT DELAY_MS [HUNG_PATH]
//
// HUNG_PATH is relative to SOURCE ("a/b"): every request on it or below it waits for ever. The program stays
// in the foreground until the mount is dropped (fusermount3 -u MOUNTPOINT); it prints "holding PATH" as a request
// starts waiting on the hung folder. LATENCYFS_DEBUG in the environment prints every request.
#define FUSE_USE_VERSION 312
#include <fuse3/fuse_lowlevel.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace {

constexpr double kKeepSeconds = 60;

std::string g_source;
int g_delayMs = 0;
std::string g_hung; // "/a/b", or empty

// The kernel's inode numbers for the paths it knows, relative to the source ("" for the root).
struct Node
{
    std::string path;
    std::uint64_t lookups = 0;
};
std::mutex g_mutex;
std::unordered_map<fuse_ino_t, Node> g_nodes{{FUSE_ROOT_ID, Node{"", 1}}};
std::unordered_map<std::string, fuse_ino_t> g_inodes{{"", FUSE_ROOT_ID}};
fuse_ino_t g_next = FUSE_ROOT_ID + 1;

std::string relative(fuse_ino_t ino)
{
    std::lock_guard lock(g_mutex);
    const auto node = g_nodes.find(ino);
    return node == g_nodes.end() ? std::string() : node->second.path;
}

std::string child(fuse_ino_t parent, const char* name)
{
    return relative(parent) + "/" + name;
}

fuse_ino_t remember(const std::string& path)
{
    std::lock_guard lock(g_mutex);
    auto [known, added] = g_inodes.try_emplace(path, g_next);
    if (added)
        g_nodes[g_next++] = Node{path, 0};
    ++g_nodes[known->second].lookups;
    return known->second;
}

void forget(fuse_ino_t ino, std::uint64_t count)
{
    std::lock_guard lock(g_mutex);
    const auto node = g_nodes.find(ino);
    if (node == g_nodes.end() || ino == FUSE_ROOT_ID)
        return;
    node->second.lookups -= std::min(count, node->second.lookups);
    if (node->second.lookups == 0) {
        g_inodes.erase(node->second.path);
        g_nodes.erase(node);
    }
}

// Waits as a server far away would, and for ever on the hung folder; then the path in the source.
std::string real(const std::string& path)
{
    if (!g_hung.empty() && path.compare(0, g_hung.size(), g_hung) == 0 &&
        (path.size() == g_hung.size() || path[g_hung.size()] == '/')) {
        std::printf("holding %s\n", path.c_str());
        std::fflush(stdout);
        for (;;)
            ::pause();
    }
    if (g_delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(g_delayMs));
    return g_source + path;
}

void replyEntry(fuse_req_t req, const std::string& path)
{
    struct stat info;
    if (::lstat(real(path).c_str(), &info) != 0)
        return (void)fuse_reply_err(req, errno);
    fuse_entry_param entry{};
    entry.ino = remember(path);
    entry.attr = info;
    entry.attr.st_ino = entry.ino;
    entry.attr_timeout = kKeepSeconds;
    entry.entry_timeout = kKeepSeconds;
    fuse_reply_entry(req, &entry);
}

void replyAttr(fuse_req_t req, fuse_ino_t ino, int result, struct stat& info)
{
    if (result != 0)
        return (void)fuse_reply_err(req, errno);
    info.st_ino = ino;
    fuse_reply_attr(req, &info, kKeepSeconds);
}

void replyResult(fuse_req_t req, int result)
{
    fuse_reply_err(req, result < 0 ? errno : 0);
}

void onInit(void*, fuse_conn_info* connection)
{
    // Listings come without attributes. (The kernel serializes the lookups in one folder here: a name that
    // never answers holds every later lookup in its folder, as a dead server does.)
    connection->want &= ~FUSE_CAP_READDIRPLUS;
}

void onLookup(fuse_req_t req, fuse_ino_t parent, const char* name)
{
    replyEntry(req, child(parent, name));
}

void onForget(fuse_req_t req, fuse_ino_t ino, std::uint64_t count)
{
    forget(ino, count);
    fuse_reply_none(req);
}

void onForgetMulti(fuse_req_t req, size_t count, fuse_forget_data* forgets)
{
    for (size_t i = 0; i < count; ++i)
        forget(forgets[i].ino, forgets[i].nlookup);
    fuse_reply_none(req);
}

void onGetattr(fuse_req_t req, fuse_ino_t ino, fuse_file_info*)
{
    struct stat info;
    const int result = ::lstat(real(relative(ino)).c_str(), &info);
    replyAttr(req, ino, result, info);
}

void onSetattr(fuse_req_t req, fuse_ino_t ino, struct stat* attr, int set, fuse_file_info* file)
{
    const std::string path = real(relative(ino));
    int result = 0;
    if (set & FUSE_SET_ATTR_MODE)
        result = file ? ::fchmod(int(file->fh), attr->st_mode) : ::chmod(path.c_str(), attr->st_mode);
    if (result == 0 && (set & (FUSE_SET_ATTR_UID | FUSE_SET_ATTR_GID)))
        result = ::lchown(path.c_str(), (set & FUSE_SET_ATTR_UID) ? attr->st_uid : uid_t(-1),
                          (set & FUSE_SET_ATTR_GID) ? attr->st_gid : gid_t(-1));
    if (result == 0 && (set & FUSE_SET_ATTR_SIZE))
        result = file ? ::ftruncate(int(file->fh), attr->st_size) : ::truncate(path.c_str(), attr->st_size);
    if (result == 0 && (set & (FUSE_SET_ATTR_ATIME | FUSE_SET_ATTR_MTIME))) {
        timespec times[2] = {{0, UTIME_OMIT}, {0, UTIME_OMIT}};
        if (set & FUSE_SET_ATTR_ATIME)
            times[0] = (set & FUSE_SET_ATTR_ATIME_NOW) ? timespec{0, UTIME_NOW} : attr->st_atim;
        if (set & FUSE_SET_ATTR_MTIME)
            times[1] = (set & FUSE_SET_ATTR_MTIME_NOW) ? timespec{0, UTIME_NOW} : attr->st_mtim;
        result = ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
    }
    struct stat info;
    if (result == 0)
        result = ::lstat(path.c_str(), &info);
    replyAttr(req, ino, result, info);
}

void onReadlink(fuse_req_t req, fuse_ino_t ino)
{
    char target[PATH_MAX];
    const ssize_t length = ::readlink(real(relative(ino)).c_str(), target, sizeof target - 1);
    if (length < 0)
        return (void)fuse_reply_err(req, errno);
    target[length] = '\0';
    fuse_reply_readlink(req, target);
}

// An open folder: its entries, read once when it is opened.
struct Listing
{
    std::vector<std::pair<std::string, struct stat>> entries;
};

void onOpendir(fuse_req_t req, fuse_ino_t ino, fuse_file_info* file)
{
    DIR* folder = ::opendir(real(relative(ino)).c_str());
    if (!folder)
        return (void)fuse_reply_err(req, errno);
    auto* listing = new Listing;
    while (dirent* entry = ::readdir(folder)) {
        struct stat info
        {};
        info.st_ino = entry->d_ino;
        info.st_mode = DTTOIF(entry->d_type);
        listing->entries.emplace_back(entry->d_name, info);
    }
    ::closedir(folder);
    file->fh = reinterpret_cast<std::uint64_t>(listing);
    // The kernel keeps the listing, and keeps it across opens, as a share's client keeps what it read.
    file->cache_readdir = 1;
    file->keep_cache = 1;
    fuse_reply_open(req, file);
}

void onReaddir(fuse_req_t req, fuse_ino_t, size_t size, off_t offset, fuse_file_info* file)
{
    const auto* listing = reinterpret_cast<const Listing*>(file->fh);
    if (g_delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(g_delayMs));
    std::vector<char> buffer(size);
    size_t used = 0;
    for (size_t i = size_t(offset); i < listing->entries.size(); ++i) {
        const auto& [name, info] = listing->entries[i];
        const size_t needed =
            fuse_add_direntry(req, buffer.data() + used, size - used, name.c_str(), &info, off_t(i + 1));
        if (needed > size - used)
            break;
        used += needed;
    }
    fuse_reply_buf(req, buffer.data(), used);
}

void onReleasedir(fuse_req_t req, fuse_ino_t, fuse_file_info* file)
{
    delete reinterpret_cast<Listing*>(file->fh);
    fuse_reply_err(req, 0);
}

void onOpen(fuse_req_t req, fuse_ino_t ino, fuse_file_info* file)
{
    const int fd = ::open(real(relative(ino)).c_str(), file->flags & ~O_NOFOLLOW);
    if (fd < 0)
        return (void)fuse_reply_err(req, errno);
    file->fh = std::uint64_t(fd);
    file->keep_cache = 1;
    fuse_reply_open(req, file);
}

void onCreate(fuse_req_t req, fuse_ino_t parent, const char* name, mode_t mode, fuse_file_info* file)
{
    const std::string path = child(parent, name);
    const int fd = ::open(real(path).c_str(), file->flags | O_CREAT, mode);
    if (fd < 0)
        return (void)fuse_reply_err(req, errno);
    file->fh = std::uint64_t(fd);
    fuse_entry_param entry{};
    ::fstat(fd, &entry.attr);
    entry.ino = remember(path);
    entry.attr.st_ino = entry.ino;
    entry.attr_timeout = kKeepSeconds;
    entry.entry_timeout = kKeepSeconds;
    fuse_reply_create(req, &entry, file);
}

void onRead(fuse_req_t req, fuse_ino_t, size_t size, off_t offset, fuse_file_info* file)
{
    if (g_delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(g_delayMs));
    std::vector<char> buffer(size);
    const ssize_t got = ::pread(int(file->fh), buffer.data(), size, offset);
    if (got < 0)
        return (void)fuse_reply_err(req, errno);
    fuse_reply_buf(req, buffer.data(), size_t(got));
}

void onWrite(fuse_req_t req, fuse_ino_t, const char* data, size_t size, off_t offset, fuse_file_info* file)
{
    if (g_delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(g_delayMs));
    const ssize_t done = ::pwrite(int(file->fh), data, size, offset);
    if (done < 0)
        return (void)fuse_reply_err(req, errno);
    fuse_reply_write(req, size_t(done));
}

void onFlush(fuse_req_t req, fuse_ino_t, fuse_file_info*)
{
    fuse_reply_err(req, 0);
}

void onRelease(fuse_req_t req, fuse_ino_t, fuse_file_info* file)
{
    ::close(int(file->fh));
    fuse_reply_err(req, 0);
}

void onFsync(fuse_req_t req, fuse_ino_t, int dataOnly, fuse_file_info* file)
{
    replyResult(req, dataOnly ? ::fdatasync(int(file->fh)) : ::fsync(int(file->fh)));
}

void onStatfs(fuse_req_t req, fuse_ino_t ino)
{
    struct statvfs info;
    if (::statvfs(real(relative(ino)).c_str(), &info) != 0)
        return (void)fuse_reply_err(req, errno);
    fuse_reply_statfs(req, &info);
}

void onMkdir(fuse_req_t req, fuse_ino_t parent, const char* name, mode_t mode)
{
    const std::string path = child(parent, name);
    if (::mkdir(real(path).c_str(), mode) != 0)
        return (void)fuse_reply_err(req, errno);
    replyEntry(req, path);
}

void onSymlink(fuse_req_t req, const char* target, fuse_ino_t parent, const char* name)
{
    const std::string path = child(parent, name);
    if (::symlink(target, real(path).c_str()) != 0)
        return (void)fuse_reply_err(req, errno);
    replyEntry(req, path);
}

void onLink(fuse_req_t req, fuse_ino_t ino, fuse_ino_t parent, const char* name)
{
    const std::string path = child(parent, name);
    if (::link(real(relative(ino)).c_str(), real(path).c_str()) != 0)
        return (void)fuse_reply_err(req, errno);
    replyEntry(req, path);
}

void onUnlink(fuse_req_t req, fuse_ino_t parent, const char* name)
{
    replyResult(req, ::unlink(real(child(parent, name)).c_str()));
}

void onRmdir(fuse_req_t req, fuse_ino_t parent, const char* name)
{
    replyResult(req, ::rmdir(real(child(parent, name)).c_str()));
}

void onRename(fuse_req_t req, fuse_ino_t parent, const char* name, fuse_ino_t newParent, const char* newName,
              unsigned int flags)
{
    const std::string from = child(parent, name), to = child(newParent, newName);
    if (::renameat2(AT_FDCWD, real(from).c_str(), AT_FDCWD, real(to).c_str(), flags) != 0)
        return (void)fuse_reply_err(req, errno);
    // The kernel's inodes follow the names: what was below `from` is below `to` now.
    std::lock_guard lock(g_mutex);
    if (const auto replaced = g_inodes.find(to); replaced != g_inodes.end()) {
        g_nodes[replaced->second].path = to + "\x01replaced";
        g_inodes.erase(replaced);
    }
    std::vector<std::pair<std::string, fuse_ino_t>> moved;
    for (const auto& [path, ino] : g_inodes)
        if (path == from || path.compare(0, from.size() + 1, from + "/") == 0)
            moved.emplace_back(path, ino);
    for (const auto& [path, ino] : moved) {
        const std::string renamed = to + path.substr(from.size());
        g_inodes.erase(path);
        g_inodes[renamed] = ino;
        g_nodes[ino].path = renamed;
    }
    fuse_reply_err(req, 0);
}

void onFallocate(fuse_req_t req, fuse_ino_t, int mode, off_t offset, off_t length, fuse_file_info* file)
{
    replyResult(req, ::fallocate(int(file->fh), mode, offset, length));
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

    fuse_lowlevel_ops operations{};
    operations.init = onInit;
    operations.lookup = onLookup;
    operations.forget = onForget;
    operations.forget_multi = onForgetMulti;
    operations.getattr = onGetattr;
    operations.setattr = onSetattr;
    operations.readlink = onReadlink;
    operations.opendir = onOpendir;
    operations.readdir = onReaddir;
    operations.releasedir = onReleasedir;
    operations.open = onOpen;
    operations.create = onCreate;
    operations.read = onRead;
    operations.write = onWrite;
    operations.flush = onFlush;
    operations.release = onRelease;
    operations.fsync = onFsync;
    operations.statfs = onStatfs;
    operations.mkdir = onMkdir;
    operations.symlink = onSymlink;
    operations.link = onLink;
    operations.unlink = onUnlink;
    operations.rmdir = onRmdir;
    operations.rename = onRename;
    operations.fallocate = onFallocate;

    // Open to every user as a share is, answering up to 64 requests at once: a request that waits holds only
    // its own thread.
    char* arguments[] = {argv[0], const_cast<char*>("-o"),
                         const_cast<char*>("allow_other,default_permissions,fsname=latencyfs,subtype=latencyfs"),
                         const_cast<char*>("-d")};
    fuse_args args = FUSE_ARGS_INIT(std::getenv("LATENCYFS_DEBUG") ? 4 : 3, arguments);
    fuse_session* session = fuse_session_new(&args, &operations, sizeof operations, nullptr);
    if (!session || fuse_session_mount(session, argv[2]) != 0)
        return 1;
    fuse_set_signal_handlers(session);
    fuse_loop_config* loop = fuse_loop_cfg_create();
    fuse_loop_cfg_set_max_threads(loop, 64);
    fuse_loop_cfg_set_idle_threads(loop, 64);
    const int status = fuse_session_loop_mt(session, loop);
    fuse_loop_cfg_destroy(loop);
    fuse_remove_signal_handlers(session);
    fuse_session_unmount(session);
    fuse_session_destroy(session);
    return status == 0 ? 0 : 1;
}
