#include "cli/ListRun.h"

#include "base/Failure.h"
#include "base/PathStyle.h"
#include "cli/Interrupt.h"
#include "cli/ListOutput.h"
#include "folders/CollapseBackslashes.h"
#include "folders/SubfolderWalk.h"
#include "listing/CreateList.h"
#include "results/CsvText.h"

#include <deque>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

// Says what failed where: the folder the run is at, and the failure's own words.
class ErrorLines : public Reporter
{
public:
    explicit ErrorLines(std::FILE* errors) : m_errors(errors) {}

    void setPath(const QString& path) { m_path = path; }
    void report(const QString& reason)
    {
        m_failed = true;
        std::fprintf(m_errors, "tallyfold: %s: %s\n", m_path.toLocal8Bit().constData(), reason.toLocal8Bit().constData());
    }
    void ErrorReport(const QString& description, const QString&, int) override { report(description); }
    bool failed() const { return m_failed; }

private:
    std::FILE* m_errors;
    QString m_path;
    bool m_failed = false;
};

// Nothing to keep painting and no user to let in.
class NoYield : public Yield
{
public:
    void DoEvents() override {}
};

QString withoutTrailingSeparator(const QString& path)
{
    return path.size() > 1 && path.endsWith(separator()) ? path.chopped(1) : path;
}

// Why a folder gave no names: nothing where it is named, or something that is not a folder.
std::optional<QString> whyNoFolder(FileSystem& files, const QString& folder)
{
    if (IsDirectory(files, folder))
        return std::nullopt;
    return files.PathExists(folder) ? QStringLiteral("Not a directory") : QStringLiteral("No such file or directory");
}

// Writes the lines of one folder's files, in the order the file system gives them.
class FolderLines
{
public:
    FolderLines(const ListOptions& options, FileSystem& files, ListOutput& out)
        : m_options(options), m_files(files), m_out(out)
    {
        m_filter.read(options.filter);
        switch (options.end) {
        case ListOptions::LineEnd::Lf: m_end = "\n"; break;
        case ListOptions::LineEnd::CrLf: m_end = "\r\n"; break;
        case ListOptions::LineEnd::Nul: m_end = std::string_view("\0", 1); break;
        }
    }

    void write(const QString& folder, const NameList& names)
    {
        const QByteArray prefix = (folder + separator()).toUtf8();
        const std::string_view prefixBytes(prefix.constData(), std::size_t(prefix.size()));
        std::vector<std::string_view> taken;
        for (int j = 0; j < names.count(); ++j) {
            const std::string_view name = names.at(j);
            if (name.empty() || name.front() == '~')
                continue;
            if (!m_filter.everyFile() && !m_filter.matchesExtension(prefixBytes, name))
                continue;
            if (!m_options.csv) {
                m_out.append(prefixBytes);
                m_out.append(name);
                m_out.append(m_end);
            } else {
                taken.push_back(name);
            }
        }
        if (m_options.csv)
            writeRecords(prefixBytes, taken);
    }

private:
    // A batch of files at a time: their facts are read in one call.
    void writeRecords(std::string_view prefix, const std::vector<std::string_view>& names)
    {
        constexpr std::size_t kBatch = 256;
        for (std::size_t first = 0; first < names.size(); first += kBatch) {
            const std::size_t last = std::min(names.size(), first + kBatch);
            QByteArray paths;
            for (std::size_t i = first; i < last; ++i)
                paths.append(prefix.data(), qsizetype(prefix.size())).append(names[i].data(), qsizetype(names[i].size())).append('\0');
            m_files.fileFacts(paths, m_facts);
            m_record.clear();
            for (std::size_t i = first; i < last; ++i) {
                m_path.assign(prefix).append(names[i]);
                CsvText::appendRecord(m_record, m_path, m_facts[i - first], m_times);
            }
            m_out.append(m_record);
        }
    }

    const ListOptions& m_options;
    FileSystem& m_files;
    ListOutput& m_out;
    FileFilter m_filter;
    std::string_view m_end;
    std::vector<FileFacts> m_facts;
    std::string m_record, m_path;
    CsvText::LocalTimes m_times;
};

// The operands as lines of a list file: each folder's own files.
void listLines(const ListOptions& options, FileSystem& files, FolderLines& lines, ErrorLines& errors)
{
    const QStringList& rows = options.folders;
    const std::unique_ptr<FileSystem::ReadAhead> ahead = files.readAhead(false);
    std::size_t hinted = 0;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        ahead->wantAhead(std::size_t(i), std::size_t(rows.size()), hinted, [&](std::size_t at) {
            if (!rows[qsizetype(at)].isEmpty())
                ahead->want(rows[qsizetype(at)]);
        });
        errors.setPath(rows[i]);
        try {
            const QString folder = folderPath(rows[i]);
            const NameList names = ListFilesInFolder(files, folder, QStringLiteral("*.*"));
            if (names.count() == 0)
                if (const std::optional<QString> why = whyNoFolder(files, folder))
                    throw Failure(*why);
            lines.write(folder, names);
        } catch (const Failure& failure) {
            errors.report(failure.description());
        }
    }
}

// One picked folder walked as "1. Add Folders and Subfolders" walks it (the same folders, level by level, in
// the same order, by the same rules), each folder's files written as it is read, in one reading of the folder.
// The window's walk lists every level before it lists any file; here only the folders still to read are held.
// A folder that cannot be read is reported, as find reports it, where the window leaves it out silently.
void walkAndList(const QString& picked, FileSystem& files, FolderLines& lines, ErrorLines& errors)
{
    // Only the folders still to read are held, as UTF-8, the first of them at `done` in the walk's order.
    std::deque<QByteArray> waiting{(picked + separator()).toUtf8()};
    std::size_t done = 0;
    const std::unique_ptr<FileSystem::ReadAhead> ahead = files.readAhead(true);
    std::size_t hinted = 0;
    for (std::size_t i = 0; !waiting.empty(); ++i, ++done) {
        ahead->wantAhead(i, done + waiting.size(), hinted,
                         [&](std::size_t at) { ahead->want(QString::fromUtf8(waiting[at - done])); });
        const QString folder = QString::fromUtf8(waiting.front());
        waiting.pop_front();
        const bool top = i == 0;
        const QString row = folderPath(CollapseBackslashes(folder));
        errors.setPath(top ? picked : row);
        if (!IsDirectory(files, folder) || nativePathLength(folder) >= kPathLimit)
            continue;
        NameList names;
        const FileSystem::NameSink take = [&](std::string_view name) {
            if (isListableName(name))
                names.add(name);
        };
        try {
            if (!isEntered(files.GetFolder(folder, top ? FileSystem::Links::Picked : FileSystem::Links::AsFound))) {
                if (top) // the picked folder stays in the list, unentered
                    files.listFiles(folder, take);
                lines.write(row, names);
                continue;
            }
            const SubfolderListing listing = files.listFolder(folder, take);
            lines.write(row, names);
            for (const QByteArray& name : listing.names)
                if (isWalkedName(name))
                    waiting.push_back((folder + QString::fromUtf8(name) + separator()).toUtf8());
            if (listing.error)
                errors.report(listing.error->description());
        } catch (const Failure& failure) {
            errors.report(failure.description());
        }
    }
}

void listFolders(const ListOptions& options, FileSystem& files, ListOutput& out, ErrorLines& errors)
{
    if (options.csv) {
        out.append(CsvText::kByteOrderMark);
        out.append(CsvText::kHeader);
    }
    FolderLines lines(options, files, out);
    if (!options.subfolders)
        return listLines(options, files, lines, errors);
    for (const QString& operand : options.folders) {
        const QString picked = withoutTrailingSeparator(operand);
        errors.setPath(picked);
        if (const std::optional<QString> why = whyNoFolder(files, picked))
            errors.report(*why);
        else
            walkAndList(picked, files, lines, errors);
    }
}

} // namespace

int runList(const ListOptions& options, FileSystem& files, std::FILE* errors)
{
    ErrorLines lines(errors);
    try {
        if (options.output.isEmpty()) {
            ListOutput out(STDOUT_FILENO);
            listFolders(options, files, out, lines);
            out.flush();
        } else {
            lines.setPath(options.output);
            const std::unique_ptr<SaveTarget> target = files.openSave(options.output);
            ListOutput out(target->device());
            listFolders(options, files, out, lines);
            lines.setPath(options.output);
            out.flush();
            const Interrupt::Holding finishing; // Ctrl+C lets the file take its place before the program ends
            target->commit();
        }
    } catch (const ListOutput::ReaderGone&) {
        return 0;
    } catch (const Failure& failure) {
        lines.report(failure.description());
        return 1;
    }
    return lines.failed() ? 1 : 0;
}
