#include "folders/SubfolderWalk.h"

#include "folders/UnsafeNames.h"

#include "base/PathStyle.h"

#include <deque>

bool IsDirectory(FileSystem& files, const QString& path)
{
    try {
        const std::optional<int> value = files.attributes(path);
        return value && (*value & Attribute::Directory);
    } catch (const std::exception&) {
        return false;
    }
}

// A folder that is hidden and system (22), or a link that is hidden and system (1046), is not entered; the
// whole value counts, so 54 (the same with the archive bit) is.
bool isEntered(const FileSystem::FolderInfo& folder)
{
    constexpr int hiddenSystemFolder = Attribute::Hidden | Attribute::System | Attribute::Directory;
    constexpr int hiddenSystemLink = hiddenSystemFolder | Attribute::Link;
    return folder.isRoot || (folder.attributes != hiddenSystemFolder && folder.attributes != hiddenSystemLink);
}

bool isWalkedName(const QByteArray& rawName)
{
    // The names are the platform's own bytes, which its path limit counts.
    if (rawName.size() >= kPathLimit || HasUnsafeNameChars(rawName))
        return false;
    return !rawName.contains('?') && rawName != "." && rawName != "..";
}

namespace {

// One walk over the file system. A folder is asked about before it is entered and again when it is copied up
// a level, so a folder that went away while the walk yielded is not copied.
class Walk
{
public:
    Walk(Reporter& reporter, FileSystem& files, Yield& yield)
        : m_proc(reporter,
                 procedureText(QStringLiteral("AddFolder"), QStringLiteral("GetSubDirectories2016"), kWalkProject)),
          m_yield(yield), m_files(files), m_ahead(files.readAhead(/*subfolders*/ true))
    {}

    // Lists the subfolders of every folder of `level` into `next`, dropping the folders that cannot be
    // listed. The first level is what the user picked: a link there leads to its folder.
    void examine(std::vector<QString>& level, std::vector<QString>& next, FileSystem::Links links)
    {
        FileSystem::ReadAhead& ahead = *m_ahead;
        std::size_t hinted = 0;
        for (std::size_t i = 0; i < level.size();) {
            // The next folders of the level, as far as the file system reaches, read ahead as they stand now.
            ahead.wantAhead(i, level.size(), hinted, [&](std::size_t at) { ahead.want(level[at]); });
            const QString folder = level[i];
            if (!IsDirectory(m_files, folder) || nativePathLength(folder) >= kPathLimit) {
                ++i;
                continue;
            }
            m_proc.step(114, [&] { m_yield.DoEvents(); });
            if (keepAfterListingSubfolders(folder, links, next)) {
                ++i;
                continue;
            }
            // The first equal entry goes; either way the entry that followed this folder now stands at i.
            level.erase(std::find(level.begin(), level.end(), folder));
        }
    }

    // Appends to `level` the folders of `next` that are still usable folders.
    void copyUp(const std::vector<QString>& next, std::vector<QString>& level)
    {
        for (const QString& folder : next) {
            if (!IsDirectory(m_files, folder))
                continue;
            m_proc.step(156, [&] { m_yield.DoEvents(); });
            if (!m_proc.test(158, [&] { return isEntered(m_files.GetFolder(folder, FileSystem::Links::AsFound)); }))
                continue;
            m_proc.step(160, [&] { level.push_back(folder); });
        }
    }

private:
    // Answers false when the folder must be dropped: its listing was refused or its path is gone. Any other
    // answer of the file system only ends the examination of this folder, without a report. A failure that
    // is no answer of the file system (out of memory among them) is reported at the step it broke, and the
    // walk goes on with the next folder.
    bool keepAfterListingSubfolders(const QString& folder, FileSystem::Links links, std::vector<QString>& next)
    {
        int label = 116;
        try {
            if (!isEntered(m_files.GetFolder(folder, links)))
                return true;
            label = 118;
            const SubfolderListing listing = m_files.subfolders(folder);
            for (const QByteArray& rawName : listing.names) {
                label = 120;
                m_yield.DoEvents();
                label = 122;
                if (!isWalkedName(rawName))
                    continue;
                label = 132;
                next.push_back(folder + QString::fromUtf8(rawName) + separator());
            }
            label = 138;
            if (listing.error)
                throw *listing.error;
        } catch (const ListingFailure& failure) {
            return failure.kind() == ListingFailure::Kind::Other;
        } catch (const Failure&) {
        } catch (const std::exception&) {
            m_proc.step(label, [] { throw; });
        }
        return true;
    }

    Procedure m_proc;
    Yield& m_yield;
    FileSystem& m_files;
    // One for the whole walk: once its folders are found to come from the disk, every level is read ahead.
    const std::unique_ptr<FileSystem::ReadAhead> m_ahead;
};

} // namespace

void GetSubDirectories2016(Reporter& reporter, FileSystem& files, Yield& yield, std::vector<QString>& list,
                           bool recurse)
{
    Walk walk(reporter, files, yield);
    // Level k + 1 holds the folders found one level below level k; level 0 is the caller's list. Every level
    // is listed before the next one is started, and the levels are then copied up from the deepest, each
    // onto the one above it, so the list ends in breadth-first order. A loop over levels keeps the call
    // stack flat however deep the tree is.
    std::deque<std::vector<QString>> deeper; // a deque keeps the levels in place while it grows
    std::vector<std::vector<QString>*> levels{&list};
    for (;;) {
        std::vector<QString>& next = deeper.emplace_back();
        walk.examine(*levels.back(), next, levels.size() == 1 ? FileSystem::Links::Picked : FileSystem::Links::AsFound);
        levels.push_back(&next);
        if (!recurse || next.empty())
            break;
    }
    for (std::size_t k = levels.size() - 1; k > 0; --k) {
        walk.copyUp(*levels[k], *levels[k - 1]);
        std::vector<QString>().swap(*levels[k]);
    }
}
