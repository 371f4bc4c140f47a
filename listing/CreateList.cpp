#include "listing/CreateList.h"

#include <algorithm>
#include <memory>

namespace {

const QString kProcedure = QStringLiteral("in Foldlister2021/08/31.Form1.PushButton5_Click ");

// How many folder entries past the one being listed are read ahead.
constexpr int kFoldersAhead = 8;

QString fromUtf8(std::string_view bytes)
{
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

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

// The filter as the command compares it: read afresh for every name, lower-cased only when it changed.
class Filter
{
public:
    explicit Filter(TextBox& box) : m_box(box) {}
    // FilterExtension now; "*" alone means every file.
    bool acceptsEveryFile()
    {
        m_text = m_box.text();
        return m_text.size() == 1 && m_text.front() == u'*';
    }
    // The lower-cased form of the text read by the last acceptsEveryFile().
    const QString& lower()
    {
        if (!m_lowerValid || m_text != m_lowerOf) {
            m_lowerOf = m_text;
            m_lower = m_text.toLower();
            m_lowerValid = true;
        }
        return m_lower;
    }

private:
    TextBox& m_box;
    QString m_text;
    QString m_lowerOf;
    QString m_lower;
    bool m_lowerValid = false;
};

// A results line: the folder path with its separator, and the file name.
struct Line
{
    std::string_view prefix;
    std::string_view name;
};

// Hints the folders of the entries from `first` to `last` that the pane holds now; its entries may change
// before their pass, which then lists what it finds.
// A hint that cannot be given is left out.
void readAhead(const ListPane& folders, FileSystem::ReadAhead& ahead, int first, int last) noexcept
{
    try {
        for (int position = first; position <= std::min(last, folders.count()); ++position)
            if (const QString entry = folders.text(position); !entry.isEmpty())
                ahead.want(entry);
    } catch (const std::exception&) {
    }
}

void appendLine(ListPane& results, const Line& line)
{
    // The prefix is looked up for every line because "Clear List" may empty the pane, and its folder prefixes
    // with it, during any yield of the run; the lookup finds the pass's prefix as the last one stored.
    results.appendInFolder(results.addPrefix(line.prefix), line.name);
}

// One pass: the entry at `position` as it stands now, its folder enumerated, its accepted names appended.
// A failure while the folder is prepared ends the pass without lines.
void ListEntry(Form& form, Procedure& proc, Filter& filter, int position)
{
    QString entry, folder;
    NameList names;
    int m = 0;
    if (!proc.step(110, [&] { entry = form.ListView1.text(position); }))
        return;
    if (!proc.step(112, [&] { folder = FolderPath(entry); }))
        return;
    if (!proc.step(114,
                   [&] { names = ListFilesInFolder(form.sys.files, folder, QStringLiteral("*.*"), &form.sys.yield); }))
        return;
    if (!proc.step(116, [&] { m = names.count(); }))
        return;
    const QByteArray prefix = (folder + separator()).toUtf8();

    for (int j = 0; j < m;) {
        proc.step(118, [&] { form.sys.yield.DoEvents(); });
        const std::string_view name = names.at(j);
        if (proc.test(120, [&] { return !name.empty() && name.front() != '~'; })) {
            Line line;
            proc.step(122, [&] {
                line = Line{std::string_view(prefix.constData(), std::size_t(prefix.size())), name};
            });
            if (proc.test(124, [&] { return filter.acceptsEveryFile(); })) {
                proc.step(126, [&] { appendLine(form.ListView2, line); });
            } else if (proc.test(128, [&] { return ExtensionMatches(line.prefix, line.name, filter.lower()); })) {
                proc.step(130, [&] { appendLine(form.ListView2, line); });
            }
        }
        proc.step(132, [&] { ++j; });
    }
}

} // namespace

void PushButton5_Click(Form& form)
{
    Procedure proc(form.reporter, kProcedure);
    if (proc.test(100, [&] { return form.CreatingList; }))
        return;
    proc.step(102, [&] { form.CreatingList = true; });
    if (proc.test(104, [&] { return form.ListView1.count() > 0; })) {
        Filter filter(form.Text1);
        // Entries appended during the run are not listed by it.
        int n = 0;
        proc.step(106, [&] { n = form.ListView1.count(); });
        const std::unique_ptr<FileSystem::ReadAhead> ahead = form.sys.files.readAhead(/*subfolders*/ false);
        for (int i = 1; i <= n; ++i) {
            readAhead(form.ListView1, *ahead, i == 1 ? 1 : i + kFoldersAhead - 1, i + kFoldersAhead - 1);
            proc.step(106, [&] { form.MousePointer.setValue(Pointer::Busy); });
            proc.step(108, [&] { form.sys.yield.DoEvents(); });
            ListEntry(form, proc, filter, i);
        }
        proc.step(134, [&] { form.MousePointer.setValue(Pointer::Default); });
        proc.step(134, [&] { form.MsgBox(QStringLiteral("Done.")); });
    } else {
        proc.step(136, [&] { form.MsgBox(QStringLiteral("No folders added.")); });
    }
    proc.step(138, [&] { form.CreatingList = false; });
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

QString FolderPath(const QString& entry, PathStyle style)
{
    if (entry.isEmpty())
        throw Failure(QStringLiteral("The folder entry is empty."));
    return entry.endsWith(separator(style)) ? entry.chopped(1) : entry;
}

NamePattern::NamePattern(const QString& pattern)
    : m_everyName(pattern == QLatin1String("*") || pattern == QLatin1String("*.*")), m_pattern(pattern.toLower())
{}

bool NamePattern::matches(std::string_view utf8Name) const
{
    return m_everyName || wildcardMatch(fromUtf8(utf8Name).toLower(), m_pattern);
}

NameList ListFilesInFolder(FileSystem& files, QString folder, const QString& pattern, Yield* painting)
{
    if (!folder.endsWith(separator()))
        folder += separator();
    const NamePattern wanted(pattern);
    NameList names;
    unsigned read = 0;
    files.listFiles(folder, [&](std::string_view name) {
        if (wanted.matches(name))
            names.add(name);
        if (painting && ++read % 1024 == 0)
            painting->PaintOnly();
    });
    return names;
}
