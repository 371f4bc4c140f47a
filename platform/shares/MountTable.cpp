#include "platform/shares/MountTable.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

constexpr int kMostLinks = 40;          // the kernel follows no more in one path
constexpr std::size_t kMostKept = 4096; // paths kept at most: a walk needs the few around where it is

std::string_view withoutTrailingSlashes(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return path;
}

std::string joined(std::string_view folder, std::string_view part)
{
    std::string path(folder);
    if (path.back() != '/')
        path += '/';
    return path.append(part);
}

// A mount point as the table writes it: blanks, tabs, line feeds and backslashes as three octal digits.
std::string unescaped(const std::string& field)
{
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            text += char((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

// Whether a file system of the type the table names answers without a server of its own.
bool isLocalType(const std::string& type)
{
    static const char* const kLocal[] = {
        "ext2",     "ext3",   "ext4",    "xfs",         "btrfs",    "tmpfs",     "ramfs",      "devtmpfs",  "proc",
        "sysfs",    "devpts", "cgroup",  "cgroup2",     "debugfs",  "tracefs",   "securityfs", "pstore",    "bpf",
        "configfs", "mqueue", "fusectl", "binfmt_misc", "efivarfs", "selinuxfs", "nsfs",       "hugetlbfs", "overlay",
        "squashfs", "erofs",  "vfat",    "msdos",       "exfat",    "ntfs3",     "ntfs",       "f2fs",      "iso9660",
        "udf",      "zfs",    "jfs",     "reiserfs",    "hfsplus",  "nilfs2",    "bcachefs",   "rpc_pipefs"};
    return std::find(std::begin(kLocal), std::end(kLocal), type) != std::end(kLocal);
}

} // namespace

std::vector<MountTable::Mount> MountTable::current()
{
    std::vector<Mount> mounts;
    std::ifstream table("/proc/self/mountinfo");
    std::string line;
    while (std::getline(table, line)) {
        // id parent major:minor root mount-point options ... - fstype source options
        std::istringstream fields(line);
        std::string id, parent, numbers, root, point, field;
        fields >> id >> parent >> numbers >> root >> point;
        while (fields >> field && field != "-") {
        }
        std::string type;
        fields >> type;
        unsigned major = 0, minor = 0;
        std::sscanf(numbers.c_str(), "%u:%u", &major, &minor);
        mounts.push_back(Mount{unescaped(point), makedev(major, minor), type, isLocalType(type)});
    }
    return mounts;
}

MountTable::MountTable() : m_watch(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC)) {}

MountTable::~MountTable()
{
    if (m_watch >= 0)
        ::close(m_watch);
}

bool MountTable::isStale()
{
    // The kernel marks the open table with POLLPRI once a mount comes or goes, and clears the mark when asked.
    pollfd watch{m_watch, POLLPRI, 0};
    const bool changed = m_watch < 0 || (::poll(&watch, 1, 0) > 0 && (watch.revents & (POLLPRI | POLLERR)));
    return changed || !m_age.isValid() || m_age.elapsed() > 1000;
}

void MountTable::refresh()
{
    m_mounts = current();
    m_anyHanging = std::any_of(m_mounts.begin(), m_mounts.end(), [](const Mount& mount) { return !mount.local; });
    // A later mount over the same point hides the earlier one: a stable sort keeps the later one last, and the
    // search takes the last match among equals by walking from the back.
    std::stable_sort(m_mounts.begin(), m_mounts.end(),
                     [](const Mount& a, const Mount& b) { return a.point.size() < b.point.size(); });
    m_kept.clear();
    m_lastPath.clear();
    m_age.start();
}

std::string MountTable::typeOf(dev_t device)
{
    const auto find = [&] {
        return std::find_if(m_mounts.rbegin(), m_mounts.rend(), [&](const Mount& m) { return m.device == device; });
    };
    if (isStale() || find() == m_mounts.rend())
        refresh();
    const auto found = find();
    return found == m_mounts.rend() ? std::string() : found->type;
}

std::string MountTable::typeAt(std::string_view path)
{
    if (isStale())
        refresh();
    const Mount* mount = mountOf(path);
    return mount ? mount->type : std::string();
}

const MountTable::Mount* MountTable::mountOf(std::string_view path) const
{
    for (auto mount = m_mounts.rbegin(); mount != m_mounts.rend(); ++mount) {
        const std::string& point = mount->point;
        if (point == "/" || (path.starts_with(point) && (path.size() == point.size() || path[point.size()] == '/')))
            return &*mount;
    }
    return nullptr;
}

bool MountTable::mayHang(QByteArrayView path)
{
    if (isStale())
        refresh();
    if (!m_anyHanging)
        return false;
    if (path.isEmpty() || path.front() != '/')
        return true;
    // The kernel reads a path up to its first NUL, and takes none as long as PATH_MAX whole.
    std::string_view text(path.data(), std::size_t(path.size()));
    text = text.substr(0, text.find('\0'));
    if (text.size() >= PATH_MAX)
        return true;
    if (text == m_lastPath)
        return m_lastHangs;
    if (m_kept.size() > kMostKept)
        m_kept.clear();
    int links = 0;
    m_lastHangs = followKept(text, links).leads == Leads::Hangs;
    m_lastPath.assign(text);
    return m_lastHangs;
}

MountTable::Followed MountTable::follow(std::string_view path, int& links)
{
    path = withoutTrailingSlashes(path);
    if (path == "/") {
        const Mount* root = mountOf(path);
        return {root && root->local ? Leads::Local : Leads::Hangs, std::string(path)};
    }
    const std::size_t slash = path.rfind('/');
    return followPart(followKept(slash == 0 ? "/" : path.substr(0, slash), links), path.substr(slash + 1), links);
}

MountTable::Followed MountTable::followKept(std::string_view path, int& links)
{
    path = withoutTrailingSlashes(path);
    if (const auto known = m_kept.find(path); known != m_kept.end())
        return known->second;
    Followed followed = follow(path, links);
    // What is missing now may be made a moment later.
    if (followed.leads != Leads::Nowhere)
        m_kept.emplace(std::string(path), followed);
    return followed;
}

MountTable::Followed MountTable::followPart(const Followed& folder, std::string_view part, int& links)
{
    if (folder.leads != Leads::Local || part.empty() || part == ".")
        return folder;
    if (part == "..") {
        const std::size_t slash = folder.path.rfind('/');
        return {Leads::Local, slash == 0 ? std::string("/") : folder.path.substr(0, slash)};
    }
    std::string path = joined(folder.path, part);
    // The folder lies on local disks: only a mount right here can be one that may hang.
    if (const Mount* mount = mountOf(path); !mount || !mount->local)
        return {Leads::Hangs, {}};
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0)
        return {Leads::Nowhere, {}};
    if (!S_ISLNK(info.st_mode))
        return {Leads::Local, std::move(path)};
    if (++links > kMostLinks)
        return {Leads::Nowhere, {}};
    std::string target(PATH_MAX, '\0');
    ssize_t length;
    while ((length = ::readlink(path.c_str(), target.data(), target.size())) == ssize_t(target.size()))
        target.resize(target.size() * 2);
    if (length <= 0)
        return {Leads::Nowhere, {}};
    target.resize(std::size_t(length));
    return follow(target.front() == '/' ? target : joined(folder.path, target), links);
}
