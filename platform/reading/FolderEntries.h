#pragma once

#include <cerrno>
#include <cstddef>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/types.h>

// Reading a folder's entries straight from the kernel, as the listing and the readers ahead of it do.

// Whether a folder entry's name is "." or "..", the folder itself or the one above it.
inline bool isDotName(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Fills the buffer with the folder's next entries (dirent64 records): the bytes filled, 0 at the end, -1 with
// errno on a failure. A read cut short by a signal is tried again.
inline ssize_t readFolderEntries(int fd, char* buffer, std::size_t size)
{
    ssize_t filled;
    do
        filled = ::getdents64(fd, buffer, size);
    while (filled < 0 && errno == EINTR);
    return filled;
}

// The type (and device) of `name` in the folder `in`, asking the kernel for nothing else: a file system that
// keeps attributes for a while answers from what it keeps. (FUSE asks its server again for all of a folder's
// attributes once the folder was read, which changed its access time, unless the caller asks for less.)
inline bool typeOf(int in, const char* name, int flags, mode_t& mode, dev_t* device = nullptr)
{
    struct statx info;
    if (::statx(in, name, flags, STATX_TYPE | STATX_MODE, &info) != 0)
        return false;
    mode = info.stx_mode;
    if (device)
        *device = makedev(info.stx_dev_major, info.stx_dev_minor);
    return true;
}

// Whether the folder `name` of the folder `in` is where a file system is mounted.
inline bool isMountRoot(int in, const char* name)
{
    struct statx info;
    return ::statx(in, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, 0, &info) == 0 &&
           (info.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (info.stx_attributes & STATX_ATTR_MOUNT_ROOT);
}

// The existence test of a file listing: the entry exists and is not a folder. A link counts by what it
// leads to: a link to a file (or pipe, device...) does, a link to a folder or a dangling link does not. Only
// links and entries of unknown type are looked up (`followedType`); the type of every other entry comes with
// its name.
template <typename FollowedType> bool IsExistingFile(const dirent64& entry, FollowedType&& followedType)
{
    if (entry.d_type == DT_DIR)
        return false;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        return true;
    mode_t mode;
    return followedType(entry.d_name, mode) && !S_ISDIR(mode);
}
