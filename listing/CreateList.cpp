#include "listing/CreateList.h"

#include "base/Utf8.h"

#include <algorithm>
#include <memory>

namespace {

// Wildcard match of already lower-cased texts; "*" takes the shortest run that lets the rest match.
bool wildcardMatch(QStringView name, QStringView pattern)
{
    qsizetype n = 0, p = 0, starAt = -1, resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starAt = p++;
            resumeAt = n;
        } else if (starAt >= 0) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

// A results line: the folder path with its separator, and the file name.
struct Line
{
    std::string_view prefix;
    std::string_view name;
};

// Hints the folders of the entries after `hinted` up to as far past entry `i` as the file system reaches, as
// the pane holds them now; its entries may change before their pass, which then lists what it finds. A hint
// that cannot be given is left out.
void readAhead(const PaneModel& folders, FileSystem::ReadAhead& ahead, int i, std::size_t& hinted) noexcept
{
    try {
        ahead.wantAhead(std::size_t(i - 1), std::size_t(folders.count()), hinted, [&](std::size_t at) {
            if (const QString entry = folders.text(int(at) + 1); !entry.isEmpty())
                ahead.want(entry);
        });
    } catch (const std::exception&) {
    }
}

void appendLine(PaneModel& results, const Line& line)
{
    // The prefix is looked up for every line because "Clear List" may empty the pane, and its folder prefixes
    // with it, during any yield of the run; the lookup finds the pass's prefix as the last one stored.
    results.appendInFolder(results.addPrefix(line.prefix), line.name);
}

// One pass: the entry at `position` as it stands now, its folder enumerated, its accepted names appended.
// A failure while the folder is prepared ends the pass without lines; the filter box is read afresh for every name.
void ListEntry(const CommandTools& tools, Procedure& proc, const PaneModel& folders, PaneModel& results,
               const FilterText& FilterExtension, FileFilter& filter, int position)
{
    QString entry, folder;
    NameList names;
    int m = 0;
    if (!proc.step(110, [&] { entry = folders.text(position); }))
        return;
    if (!proc.step(112, [&] { folder = folderPath(entry); }))
        return;
    if (!proc.step(114, [&] { names = ListFilesInFolder(tools.files, folder, QStringLiteral("*.*"), &tools.yield); }))
        return;
    if (!proc.step(116, [&] { m = names.count(); }))
        return;
    const QByteArray prefix = (folder + separator()).toUtf8();

    for (int j = 0; j < m;) {
        proc.step(118, [&] { tools.yield.DoEvents(); });
        const std::string_view name = names.at(j);
        if (proc.test(120, [&] { return !name.empty() && name.front() != '~'; })) {
            Line line;
            proc.step(122, [&] {
                line = Line{std::string_view(prefix.constData(), std::size_t(prefix.size())), name};
            });
            if (proc.test(124, [&] {
                    filter.read(FilterExtension.text());
                    return filter.everyFile();
                })) {
                proc.step(126, [&] { appendLine(results, line); });
            } else if (proc.test(128, [&] { return filter.matchesExtension(line.prefix, line.name); })) {
                proc.step(130, [&] { appendLine(results, line); });
            }
        }
        proc.step(132, [&] { ++j; });
    }
}

} // namespace

void PushButton5_Click(const CommandTools& tools, const PaneModel& folders, PaneModel& results,
                       const FilterText& FilterExtension, bool& creatingList)
{
    Procedure proc(tools.reporter, procedureText(QStringLiteral("Form1"), QStringLiteral("PushButton5_Click")));
    if (proc.test(100, [&] { return creatingList; }))
        return;
    proc.step(102, [&] { creatingList = true; });
    if (proc.test(104, [&] { return folders.count() > 0; })) {
        FileFilter filter;
        // Entries appended during the run are not listed by it.
        int n = 0;
        proc.step(106, [&] { n = folders.count(); });
        const std::unique_ptr<FileSystem::ReadAhead> ahead = tools.files.readAhead(/*subfolders*/ false);
        std::size_t hinted = 0;
        for (int i = 1; i <= n; ++i) {
            readAhead(folders, *ahead, i, hinted);
            proc.step(106, [&] { tools.pointer.setValue(Pointer::Busy); });
            proc.step(108, [&] { tools.yield.DoEvents(); });
            ListEntry(tools, proc, folders, results, FilterExtension, filter, i);
        }
        proc.step(134, [&] { tools.pointer.setValue(Pointer::Default); });
        proc.step(134, [&] { tools.MsgBox(QStringLiteral("Done.")); });
    } else {
        proc.step(136, [&] { tools.MsgBox(QStringLiteral("No folders added.")); });
    }
    proc.step(138, [&] { creatingList = false; });
}

void NameList::add(std::string_view utf8Name)
{
    m_bytes.append(utf8Name);
    m_ends.push_back(m_bytes.size());
}

std::string_view NameList::at(int index) const
{
    const std::size_t begin = index == 0 ? 0 : m_ends[std::size_t(index) - 1];
    return std::string_view(m_bytes).substr(begin, m_ends[std::size_t(index)] - begin);
}

QString folderPath(const QString& entry, PathStyle style)
{
    if (entry.isEmpty())
        throw Failure(QStringLiteral("The folder entry is empty."));
    return entry.endsWith(separator(style)) ? entry.chopped(1) : entry;
}

bool isListableName(std::string_view name)
{
    return Utf8::isValid(name);
}

NamePattern::NamePattern(const QString& pattern)
    : m_everyName(pattern == QLatin1String("*") || pattern == QLatin1String("*.*")), m_pattern(pattern.toLower())
{}

bool NamePattern::matches(std::string_view utf8Name) const
{
    return m_everyName || wildcardMatch(Utf8::toQString(utf8Name).toLower(), m_pattern);
}

NameList ListFilesInFolder(FileSystem& files, QString folder, const QString& pattern, Yield* painting)
{
    if (!folder.endsWith(separator()))
        folder += separator();
    const NamePattern wanted(pattern);
    NameList names;
    unsigned read = 0;
    files.listFiles(folder, [&](std::string_view name) {
        if (!isListableName(name))
            return;
        if (wanted.matches(name))
            names.add(name);
        if (painting && ++read % 1024 == 0)
            painting->paintOnly();
    });
    return names;
}
