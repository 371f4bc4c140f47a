#include "platform/posix/Volumes.h"

#include "base/Clock.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// ntfs-3g mounts as plain "fuse" (an image file) or "fuseblk" (a disk), or with its name as the subtype.
bool isNtfs3gType(const std::string& type)
{
    return type == "fuse" || type == "fuseblk" || type.rfind("fuse.ntfs", 0) == 0 || type.rfind("fuseblk.ntfs", 0) == 0;
}

constexpr const char* kNtfsAttributes = "system.ntfs_attrib_be";

} // namespace

Volumes::Kind Volumes::of(const QByteArray& path, dev_t device)
{
    // Asked once per file system, not once per folder: a walk meets a few file systems and many folders. The
    // answers are dropped after a moment, as a device number can come back for another file system.
    if (const qint64 now = Clock::coarseNowNs(); now - m_since > 1'000'000'000) {
        m_kinds.clear();
        m_since = now;
    }
    if (const auto known = m_kinds.find(device); known != m_kinds.end())
        return known->second;
    const Kind kind = ask(path, device);
    m_kinds.emplace(device, kind);
    return kind;
}

Volumes::Kind Volumes::ask(const QByteArray& path, dev_t device)
{
    struct statfs fs;
    if (::statfs(path.constData(), &fs) != 0)
        return Kind::Plain;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x9fa0:     // proc
    case 0x62656572: // sysfs
    case 0x1cd1:     // devpts
    case 0x27e0eb:   // cgroup
    case 0x63677270: // cgroup2
    case 0x64626720: // debugfs
    case 0x74726163: // tracefs
    case 0x73636673: // securityfs
    case 0x6165676c: // pstore
    case 0xcafe4a11: // bpf
    case 0x62656570: // configfs
    case 0x19800202: // mqueue
    case 0x65735543: // fusectl
    case 0x42494e4d: // binfmt_misc
    case 0xde5e81e4: // efivarfs
    case 0xf97cff8c: // selinuxfs
    case 0x6e736673: // nsfs
    case 0x0187:     // autofs
        return Kind::Pseudo;
    case 0x01021994: // tmpfs, which devtmpfs shares: the mount table tells them apart
        return m_mounts.typeOf(device) == "devtmpfs" ? Kind::Pseudo : Kind::Plain;
    case 0x5346544e: // ntfs3 and the older ntfs
        return Kind::Ntfs;
    case 0x4d44:     // msdos and vfat
    case 0x2011bab0: // exfat
        return Kind::Fat;
    case 0x65735546: // fuse: ntfs-3g mounts with no subtype, or with its own name
        return isNtfs3gType(m_mounts.typeOf(device)) ? Kind::Ntfs : Kind::Plain;
    default: return Kind::Plain;
    }
}

std::optional<int> Volumes::windowsAttributes(int folder, const char* name, const QByteArray& path, Kind kind,
                                              dev_t device)
{
    // NTFS hands the bits out as a big-endian extended attribute, read along the path where it is short enough;
    // FAT and exFAT answer a request on the open folder. Either way the call fails with errno.
    std::uint32_t bits = 0;
    const auto fromNtfs = [&](ssize_t got, const unsigned char* bytes) {
        if (got != 4)
            return got < 0 ? -1 : (errno = ENODATA, -1);
        bits = std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 | std::uint32_t(bytes[2]) << 8 | bytes[3];
        return 0;
    };
    unsigned char bytes[4];
    int result = -1;
    if (kind == Kind::Ntfs && path.size() < PATH_MAX) {
        result = fromNtfs(::lgetxattr(path.constData(), kNtfsAttributes, bytes, sizeof bytes), bytes);
    } else if (const int fd = ::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC); fd >= 0) {
        result = kind == Kind::Ntfs ? fromNtfs(::fgetxattr(fd, kNtfsAttributes, bytes, sizeof bytes), bytes)
                                    : ::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &bits);
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    // Every bit counts, as the walk compares whole values: hidden + system (22) is left out, the same folder
    // compressed or not content-indexed is not. Only NTFS's marks of a folder's indexes go, which Windows reports
    // as the directory bit: the kernel's driver hands them out as they lie on the disk.
    constexpr std::uint32_t kNtfsIndexes = 0x30000000;
    if (result == 0)
        return int(bits & ~kNtfsIndexes);
    // A file system that turns out to keep no such bits (another FUSE file system without a subtype, a FAT
    // driver without the request) is not asked again.
    if (errno == ENOTSUP || errno == ENODATA || errno == ENOTTY || errno == EINVAL)
        m_kinds[device] = Kind::Plain;
    return std::nullopt;
}
