#include "FaultyFileSystem.h"

#include "FailingDevice.h"

#include <QFile>

#include <cerrno>
#include <ftw.h>
#include <stdio.h>

namespace {

// Whether the key is one of the paths or lies below one; `exact` tells which.
bool covers(const QStringList& paths, const QString& key, bool& exact)
{
    for (const QString& path : paths) {
        if (key == path) {
            exact = true;
            return true;
        }
        if (key.startsWith(path.endsWith(QChar(u'/')) ? path : path + QChar(u'/'))) {
            exact = false;
            return true;
        }
    }
    return false;
}

void removeFromDisk(const QString& path)
{
    ::nftw(
        QFile::encodeName(path).constData(),
        [](const char* name, const struct stat*, int, FTW*) {
            ::remove(name);
            return 0;
        },
        16, FTW_DEPTH | FTW_PHYS);
}

// Takes a number of bytes, then fails like a full disk; the real target is never touched.
class FullDiskTarget : public SaveTarget
{
public:
    explicit FullDiskTarget(qint64 room) : m_device(room) {}
    QIODevice& device() override { return m_device; }
    void commit() override
    {
        if (m_device.failed())
            throw Failure(m_device.errorString());
    }

private:
    FailingDevice m_device;
};

} // namespace

QString FaultyFileSystem::faultKey(Op op, const QString& path)
{
    return QString::number(int(op)) + QChar(u':') + path;
}

QString FaultyFileSystem::key(const QString& path)
{
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(QChar(u'/')))
        trimmed.chop(1);
    return trimmed;
}

void FaultyFileSystem::fail(Op op, const QString& path, const QString& description)
{
    m_faults[faultKey(op, key(path))] = Fault{description, std::nullopt, false};
}

void FaultyFileSystem::failListing(Op op, const QString& path, ListingFailure::Kind kind)
{
    m_faults[faultKey(op, key(path))] = Fault{QStringLiteral("Listing refused"), kind, false};
}

void FaultyFileSystem::failSubfoldersAfterNames(const QString& path, ListingFailure::Kind kind)
{
    m_faults[faultKey(Op::Subfolders, key(path))] = Fault{QStringLiteral("Listing broke off"), kind, true};
}

void FaultyFileSystem::enter(Op op, const QString& path)
{
    m_calls[int(op)] += 1;
    if (before)
        before(op, path);
    const auto fault = m_faults.constFind(faultKey(op, key(path)));
    if (fault != m_faults.constEnd() && !fault->afterNames) {
        if (fault->listing)
            throw ListingFailure(*fault->listing, fault->description);
        throw Failure(fault->description);
    }
    refuse(op, path);
}

void FaultyFileSystem::refuse(Op op, const QString& path)
{
    const QString at = key(path);
    bool exact = false;
    int error = 0;
    if (covers(m_hidden, at, exact))
        error = ENOENT;
    else if (covers(m_denied, at, exact)) {
        // The entry itself can be looked at; opening or listing it cannot, nor anything below it.
        const bool looking = op == Op::PathExists || op == Op::IsNormalFile || op == Op::Attributes ||
                             op == Op::GetFolder || op == Op::FileFacts;
        if (!(exact && looking))
            error = EACCES;
    }
    if (error == 0)
        return;
    if (op == Op::GetFolder || op == Op::Subfolders)
        throw ListingFailure::fromErrno(error);
    throw Failure::fromErrno(error);
}

void FaultyFileSystem::leave(Op op, const QString& path)
{
    if (m_vanishing.remove(faultKey(op, key(path))) > 0)
        removeFromDisk(key(path));
}

void FaultyFileSystem::fileFacts(const QByteArray& paths, std::vector<::FileFacts>& facts)
{
    // A path with a fault of its own is not found, as a file that cannot be looked at.
    const QList<QByteArray> names = paths.split('\0').mid(0, paths.count('\0'));
    std::vector<bool> refused;
    for (const QByteArray& name : names) {
        try {
            enter(Op::FileFacts, QFile::decodeName(name));
            refused.push_back(false);
        } catch (const Failure&) {
            refused.push_back(true);
        }
    }
    PosixFileSystem::fileFacts(paths, facts);
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (refused[std::size_t(i)])
            facts[std::size_t(i)] = ::FileFacts{};
        leave(Op::FileFacts, QFile::decodeName(names[i]));
    }
}

bool FaultyFileSystem::PathExists(const QString& path)
{
    try {
        enter(Op::PathExists, path);
    } catch (const Failure&) {
        return false;
    }
    const bool exists = PosixFileSystem::PathExists(path);
    leave(Op::PathExists, path);
    return exists;
}

bool FaultyFileSystem::isNormalFile(const QString& path)
{
    try {
        enter(Op::IsNormalFile, path);
    } catch (const Failure&) {
        return false;
    }
    const bool normal = PosixFileSystem::isNormalFile(path);
    leave(Op::IsNormalFile, path);
    return normal;
}

QByteArray FaultyFileSystem::readAll(const QString& path)
{
    enter(Op::ReadAll, path);
    return PosixFileSystem::readAll(path);
}

std::optional<int> FaultyFileSystem::attributes(const QString& path)
{
    try {
        enter(Op::Attributes, path);
    } catch (const Failure&) {
        return std::nullopt;
    }
    if (m_attributes.contains(key(path)))
        return m_attributes.value(key(path));
    const std::optional<int> value = PosixFileSystem::attributes(path);
    leave(Op::Attributes, path);
    return value;
}

FileSystem::FolderInfo FaultyFileSystem::GetFolder(const QString& path, Links links)
{
    enter(Op::GetFolder, path);
    FolderInfo info = PosixFileSystem::GetFolder(path, links);
    if (m_attributes.contains(key(path)))
        info.attributes = m_attributes.value(key(path));
    if (m_roots.contains(key(path)))
        info.isRoot = true;
    leave(Op::GetFolder, path);
    return info;
}

SubfolderListing FaultyFileSystem::subfolders(const QString& path)
{
    enter(Op::Subfolders, path);
    SubfolderListing listing = PosixFileSystem::subfolders(path);
    const auto fault = m_faults.constFind(faultKey(Op::Subfolders, key(path)));
    if (fault != m_faults.constEnd() && fault->afterNames)
        listing.error = ListingFailure(fault->listing.value_or(ListingFailure::Kind::Other), fault->description);
    leave(Op::Subfolders, path);
    return listing;
}

void FaultyFileSystem::listFiles(const QString& folder, const NameSink& sink)
{
    bool exact = false;
    if (covers(m_hidden, key(folder), exact)) {
        m_calls[int(Op::ListFiles)] += 1;
        return; // a folder that does not exist gives no names
    }
    enter(Op::ListFiles, folder);
    PosixFileSystem::listFiles(folder, sink);
    for (const QByteArray& name : m_extraNames.value(key(folder)))
        sink(std::string_view(name.constData(), std::size_t(name.size())));
    leave(Op::ListFiles, folder);
}

std::unique_ptr<QIODevice> FaultyFileSystem::openRead(const QString& path)
{
    enter(Op::OpenRead, path);
    std::unique_ptr<QIODevice> file = PosixFileSystem::openRead(path);
    leave(Op::OpenRead, path);
    if (!m_readLimits.contains(key(path)))
        return file;
    return std::make_unique<FailingDevice>(file->read(m_readLimits.value(key(path))));
}

std::unique_ptr<SaveTarget> FaultyFileSystem::openSave(const QString& path)
{
    enter(Op::OpenSave, path);
    if (m_writeLimits.contains(key(path)))
        return std::make_unique<FullDiskTarget>(m_writeLimits.value(key(path)));
    std::unique_ptr<SaveTarget> target = PosixFileSystem::openSave(path);
    leave(Op::OpenSave, path);
    return target;
}
