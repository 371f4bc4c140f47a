#include "platform/MountTable.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/sysmacros.h>

namespace {

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

void MountTable::refresh()
{
    m_mounts = current();
    m_anyHanging = std::any_of(m_mounts.begin(), m_mounts.end(), [](const Mount& mount) { return !mount.local; });
    // A later mount over the same point hides the earlier one: a stable sort keeps the later one last, and the
    // search takes the last match among equals by walking from the back.
    std::stable_sort(m_mounts.begin(), m_mounts.end(),
                     [](const Mount& a, const Mount& b) { return a.point.size() < b.point.size(); });
    m_age.start();
}

std::string MountTable::typeOf(dev_t device)
{
    const auto find = [&] {
        return std::find_if(m_mounts.rbegin(), m_mounts.rend(), [&](const Mount& m) { return m.device == device; });
    };
    if (!m_age.isValid() || m_age.elapsed() > 1000 || find() == m_mounts.rend())
        refresh();
    const auto found = find();
    return found == m_mounts.rend() ? std::string() : found->type;
}

bool MountTable::mayHang(QByteArrayView path)
{
    if (!m_age.isValid() || m_age.elapsed() > 1000)
        refresh();
    if (!m_anyHanging)
        return false;
    if (path.isEmpty() || path.front() != '/')
        return true;
    for (auto mount = m_mounts.rbegin(); mount != m_mounts.rend(); ++mount) {
        const std::string& point = mount->point;
        const bool under = point == "/" || (path.startsWith(QByteArrayView(point.data(), qsizetype(point.size()))) &&
                                            (path.size() == qsizetype(point.size()) || path.at(point.size()) == '/'));
        if (under)
            return !mount->local;
    }
    return true;
}
