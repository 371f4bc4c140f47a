#include "platform/MountTable.h"

#include <algorithm>
#include <fstream>
#include <sstream>

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

} // namespace

bool MountTable::isLocalType(const std::string& type)
{
    static const char* const kLocal[] = {
        "ext2",     "ext3",   "ext4",    "xfs",         "btrfs",    "tmpfs",     "ramfs",      "devtmpfs",  "proc",
        "sysfs",    "devpts", "cgroup",  "cgroup2",     "debugfs",  "tracefs",   "securityfs", "pstore",    "bpf",
        "configfs", "mqueue", "fusectl", "binfmt_misc", "efivarfs", "selinuxfs", "nsfs",       "hugetlbfs", "overlay",
        "squashfs", "erofs",  "vfat",    "msdos",       "exfat",    "ntfs3",     "ntfs",       "f2fs",      "iso9660",
        "udf",      "zfs",    "jfs",     "reiserfs",    "hfsplus",  "nilfs2",    "bcachefs",   "rpc_pipefs"};
    return std::find(std::begin(kLocal), std::end(kLocal), type) != std::end(kLocal);
}

void MountTable::refresh()
{
    m_mounts.clear();
    m_anyHanging = false;
    std::ifstream table("/proc/self/mountinfo");
    std::string line;
    while (std::getline(table, line)) {
        // id parent major:minor root mount-point options ... - fstype source options
        std::istringstream fields(line);
        std::string id, parent, device, root, point, field;
        fields >> id >> parent >> device >> root >> point;
        while (fields >> field && field != "-") {
        }
        std::string type;
        fields >> type;
        const bool local = isLocalType(type);
        m_anyHanging = m_anyHanging || !local;
        m_mounts.push_back(Mount{unescaped(point), local});
    }
    // A later mount over the same point hides the earlier one: a stable sort keeps the later one last, and the
    // search takes the last match among equals by walking from the back.
    std::stable_sort(m_mounts.begin(), m_mounts.end(),
                     [](const Mount& a, const Mount& b) { return a.point.size() < b.point.size(); });
    m_age.start();
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
