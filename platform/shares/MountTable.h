#pragma once

#include <QByteArrayView>
#include <QElapsedTimer>

#include <string>
#include <string_view>
#include <sys/types.h>
#include <unordered_map>
#include <vector>

// Tells, from the kernel's mount table and without touching any mount that may hang, which paths lead onto
// file systems whose calls may wait for a server or another program for ever: network shares (NFS, SMB,
// SSHFS...), FUSE file systems, automounted folders. Local disks and the kernel's own file systems do not.
// The table is read again as soon as the kernel says it changed, so a share mounted a moment ago counts at
// once, and when it is a second old, as links on local disks may change.
//
// A path's text does not say where it leads: a link on a local disk (`~/nas`) or a ".." (`/mnt/x/../nas`)
// may take it onto a share. Where the machine has a mount that may hang, a path is therefore followed a part
// at a time as the kernel follows it, links and "..", the last part's link too; `lstat` and `readlink` are
// asked only on local disks, where they cannot hang, and the first part on a mount that may hang decides.
// Where no mount may hang, nothing is looked at. Paths already followed are kept until the table is read
// again: the calls of a listing or a walk name a folder and many entries of it in a row.
class MountTable
{
public:
    struct Mount
    {
        std::string point; // where it is mounted, as the file system stores names
        dev_t device;      // the device number of the files on it
        std::string type;  // as the table names it: "ext4", "fuse.sshfs"...
        bool local;        // answers without a server of its own
    };
    MountTable();
    ~MountTable();
    MountTable(const MountTable&) = delete;
    MountTable& operator=(const MountTable&) = delete;

    // The kernel's table as it stands now, in its order (a later mount over the same point hides an earlier one).
    static std::vector<Mount> current();

    // Whether a call on the absolute path, as the file system stores names, may hang: whether the path leads
    // through a mount that may. A relative path may lie anywhere.
    bool mayHang(QByteArrayView path);
    // The type of the file system mounted from the device; the table is read again for a device it lacks,
    // one mounted a moment ago. "" where there is none.
    std::string typeOf(dev_t device);
    // The type of the file system the absolute path lies on by its text, as the table has it now: "" for none.
    std::string typeAt(std::string_view path);

private:
    void refresh();
    // Whether the table was never read, is a second old, or the kernel changed it since.
    bool isStale();
    // The mount that holds the path, as the table has it; null where none does.
    const Mount* mountOf(std::string_view path) const;

    // Where a path leads: a folder or file on a local disk, through a mount that may hang, or nowhere (a part
    // is missing or cannot be searched, or the links loop), where the kernel stops on a local disk as well.
    enum class Leads { Local, Hangs, Nowhere };
    struct Followed
    {
        Leads leads;
        std::string path; // where it is, without links or ".." (Local only)
    };
    Followed follow(std::string_view path, int& links);
    // The same, from what is kept of paths followed before.
    Followed followKept(std::string_view path, int& links);
    Followed followPart(const Followed& folder, std::string_view part, int& links);
    struct Hash
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
    };

    std::vector<Mount> m_mounts; // sorted by the length of the mount point
    bool m_anyHanging = false;
    QElapsedTimer m_age;
    int m_watch = -1; // the kernel's table kept open: polling it tells whether a mount came or went
    std::unordered_map<std::string, Followed, Hash, std::equal_to<>> m_kept; // by the path as asked
    std::string m_lastPath; // the path asked last and its answer: a walk asks about one folder several times
    bool m_lastHangs = false;
};
