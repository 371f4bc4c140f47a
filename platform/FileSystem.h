#pragma once

#include "base/Failure.h"
#include "platform/SaveTarget.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

// Folder attribute bits as the folder walk compares them.
namespace Attribute {
constexpr int ReadOnly = 1;
constexpr int Hidden = 2;
constexpr int System = 4;
constexpr int Directory = 16;
constexpr int Archive = 32;
constexpr int Link = 1024;
} // namespace Attribute

// A listing that failed, and why: the folder walk drops a folder for the first two kinds only.
class ListingFailure : public Failure
{
public:
    enum class Kind { PermissionDenied, PathNotFound, Other };
    ListingFailure(Kind kind, const QString& description) : Failure(description), m_kind(kind) {}
    Kind kind() const { return m_kind; }
    static ListingFailure fromErrno(int error);

private:
    Kind m_kind;
};

// A folder's names of subfolders, as far as they could be read.
struct SubfolderListing
{
    std::vector<QByteArray> names;       // in the file system's order, as stored (not always valid UTF-8)
    std::optional<ListingFailure> error; // what stopped the listing, if anything did
};

// A file's size and modification time as read at one moment; not `found` where it was gone or could not be looked at.
struct FileFacts
{
    bool found = false;
    qint64 size = 0;
    qint64 modifiedSeconds = 0; // since 1970-01-01 UTC
};

class FileSystem
{
public:
    virtual ~FileSystem() = default;

    // True when the modification time of the path can be read; never fails.
    virtual bool PathExists(const QString& path) = 0;
    // True when the path names a normal file: no folder, not hidden.
    virtual bool isNormalFile(const QString& path) = 0;
    // The whole content of a small file (a skin, a cursor). Throws a Failure.
    virtual QByteArray readAll(const QString& path) = 0;

    // The attribute value of a path, or nothing when it cannot be read.
    virtual std::optional<int> attributes(const QString& path) = 0;
    // How a path that is a link to a folder is looked at: as found below a folder, a hidden system link
    // (1046); as the folder the user picked, a link that is neither (1040), which leads to its folder.
    enum class Links { AsFound, Picked };
    // The folder's attribute value and whether it is the root of a file system. Throws a ListingFailure.
    struct FolderInfo
    {
        int attributes;
        bool isRoot;
    };
    virtual FolderInfo GetFolder(const QString& path, Links links) = 0;
    // The names of the folder's direct subfolders. Throws a ListingFailure when it cannot be opened.
    virtual SubfolderListing subfolders(const QString& path) = 0;

    // Calls `sink` with the name of every entry of the folder that exists and is not a folder, in the file
    // system's order, without yielding; the names as stored (not always valid UTF-8). A folder that does not
    // exist gives no names; one that exists but cannot be read throws a Failure.
    using NameSink = std::function<void(std::string_view name)>;
    virtual void listFiles(const QString& folder, const NameSink& sink) = 0;
    // What subfolders() and listFiles() give, where the file system can in one reading of the folder: the file
    // names to `files`, the subfolders as answered. A folder that cannot be opened throws a ListingFailure; one
    // whose reading breaks off has the error in the listing.
    virtual SubfolderListing listFolder(const QString& folder, const NameSink& files)
    {
        SubfolderListing listing = subfolders(folder);
        listFiles(folder, files);
        return listing;
    }

    // Hints from a command about the folders it will list soon. The file system may read them into memory
    // ahead, elsewhere: what the command lists does not change, only how soon it gets it. The hints end
    // with the object.
    class ReadAhead
    {
    public:
        virtual ~ReadAhead() = default;
        virtual void want(const QString& folder) = 0;
        // How many folders past the one being listed the command names: a few where folders come from a disk,
        // many more where each waits for a server and many can wait at once.
        virtual int reach() const { return 8; }
        // Names the folders of a list that a command works down, each once and reach() folders ahead: at the
        // folder with index `current` (from 0) of `count`, those from it to reach() folders on that were not
        // named yet, by handing their indexes to `wantAt`. `named` is the index the naming got to, kept by the
        // command from one folder to the next (0 at first). reach() is asked again after each folder named, as
        // naming a folder may change it.
        template <class WantAt>
        void wantAhead(std::size_t current, std::size_t count, std::size_t& named, WantAt&& wantAt)
        {
            for (named = std::max(named, current); named < std::min(count, current + std::size_t(reach()));)
                wantAt(named++);
        }
    };
    // With `subfolders`, the command will look at each folder's subfolders too.
    virtual std::unique_ptr<ReadAhead> readAhead(bool subfolders)
    {
        (void)subfolders;
        struct Ignored : ReadAhead
        {
            void want(const QString&) override {}
        };
        return std::make_unique<Ignored>();
    }

    // The facts of a batch of files, in one call so that a batch on a share waits for its server once: `paths`
    // holds their paths as the file system stores names, each ended by a NUL; `facts` gets one entry a path, in
    // their order. A link counts as what it leads to. Never fails: a file that is gone or cannot be looked at is
    // not found. A few hundred paths a call; paths of one folder in a row are looked up in it.
    virtual void fileFacts(const QByteArray& paths, std::vector<FileFacts>& facts) = 0;
    // A hint: the command will soon ask for the facts of these paths (as for fileFacts). The file system may look
    // them up ahead, elsewhere, so that they are at hand when asked; the facts asked for are read then all the same.
    virtual void factsAhead(const QByteArray& paths) { (void)paths; }

    // A regular file opened for reading. Throws a Failure.
    virtual std::unique_ptr<QIODevice> openRead(const QString& path) = 0;
    // A file to be written in place of `path`. Throws a Failure.
    virtual std::unique_ptr<SaveTarget> openSave(const QString& path) = 0;
};
