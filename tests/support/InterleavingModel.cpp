#include "InterleavingModel.h"

#include "PaneEntries.h"

#include "base/PathStyle.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace {

QString commandName(const Run& run)
{
    return run.description.isEmpty() ? QStringLiteral("the test") : run.description;
}

// The deletions that take `before` to `after`, or nothing when `after` is not `before` with some rows taken
// out. Of identical rows the later ones are taken to stay, so deletions fall on the earliest positions that
// explain the change. Positions are 1-based, descending.
std::optional<QList<int>> deletedPositions(const QStringList& before, const QStringList& after)
{
    QList<int> deleted;
    qsizetype j = after.size();
    for (qsizetype i = before.size(); i-- > 0;) {
        if (j > 0 && before[i] == after[j - 1])
            --j;
        else
            deleted.append(int(i + 1));
    }
    if (j != 0)
        return std::nullopt;
    return deleted;
}

bool isRemoval(Command command)
{
    return command == Command::RemoveResultsContaining || command == Command::RemoveResultsNotContaining ||
           command == Command::RemoveFoldersContaining || command == Command::RemoveFoldersNotContaining;
}

bool removesContaining(Command command)
{
    return command == Command::RemoveResultsContaining || command == Command::RemoveFoldersContaining;
}

} // namespace

TreeFacts::TreeFacts(const QString& top) : m_top(top)
{
    QStringList folders = {top};
    QDirIterator it(top, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        folders.append(it.next());
    for (const QString& folder : folders)
        m_files.insert(folder, QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted));
}

QStringList TreeFacts::walk(const QString& folder) const
{
    QStringList below;
    for (auto it = m_files.keyBegin(); it != m_files.keyEnd(); ++it)
        if (*it == folder || it->startsWith(folder + separator()))
            below.append(*it + separator());
    return sorted(below);
}

// The key is the text after the last "." of the whole line, or the whole line when a "." stands only first.
bool acceptedByFilter(const QString& line, const QString& filter)
{
    if (filter == QLatin1String("*"))
        return true;
    const qsizetype dot = line.lastIndexOf(QChar(u'.'));
    const QString key = dot >= 1 ? line.mid(dot + 1) : line;
    return key.toLower() == filter.toLower();
}

bool removalSelects(const QString& entry, const QString& text, bool containing)
{
    return entry.toLower().contains(text.toLower()) == containing;
}

QString InterleavingModel::checkResultLine(const QString& line) const
{
    const qsizetype cut = line.lastIndexOf(separator());
    const QString folder = line.left(cut);
    const QString name = line.mid(cut + 1);
    if (cut < 0 || !m_facts.isFolder(folder))
        return QStringLiteral("result line outside the tree's folders: ") + line;
    if (name.isEmpty() || name.startsWith(QChar(u'~')))
        return QStringLiteral("result line with an empty or \"~\" name: ") + line;
    const QFileInfo info(line);
    if (!info.exists() || info.isDir())
        return QStringLiteral("result line that is no file: ") + line;
    if (!m_folderEntries.contains(folder) && !m_folderEntries.contains(folder + separator()))
        return QStringLiteral("result line from a folder FolderList never held: ") + line;
    return {};
}

QStringList InterleavingModel::checkStretch(Run& run, int pane, const QStringList& before, const QStringList& after,
                                            std::uint64_t removalsBefore, const QString& filter)
{
    run.lastBefore[pane] = before;
    run.lastRemovalsBefore[pane] = removalsBefore;
    QStringList faults;
    auto fault = [&](const QString& what) {
        faults.append(QStringLiteral("%1, pane %2: %3\n  before: %4\n  after:  %5")
                          .arg(commandName(run))
                          .arg(pane)
                          .arg(what, before.join(QStringLiteral(" | ")), after.join(QStringLiteral(" | "))));
    };
    const Command c = run.command;
    const bool acts = !run.refused;

    const bool appends =
        acts && ((pane == 2 && c == Command::CreateList) ||
                 (pane == 1 && (c == Command::AddFolders || c == Command::LoadLists || c == Command::Sample)));
    if (appends) {
        if (after.mid(0, before.size()) != before) {
            fault(QStringLiteral("entries changed by a command that only appends"));
            return faults;
        }
        const QStringList added = after.mid(before.size());
        run.appended[pane] += added;
        if (pane == 1) {
            for (const QString& entry : added)
                sawFolderEntry(entry);
        } else {
            for (const QString& line : added) {
                if (const QString bad = checkResultLine(line); !bad.isEmpty())
                    fault(bad);
                if (!acceptedByFilter(line, filter))
                    fault(QStringLiteral("line appended that the filter \"%1\" refuses: %2").arg(filter, line));
            }
        }
        return faults;
    }

    const bool clears = (c == Command::ClearResults && pane == 2) || (c == Command::ClearFolders && pane == 1 && acts);
    if (clears) {
        if (!after.isEmpty())
            fault(QStringLiteral("the pane is not empty after Clear List"));
        return faults;
    }

    if (acts && run.pane == pane &&
        (c == Command::DeleteFolder || c == Command::DeleteResult || c == Command::DoubleClickFolder)) {
        QStringList expected = before;
        if (run.selected >= 1 && run.selected <= expected.size())
            expected.removeAt(run.selected - 1);
        if (after != expected)
            fault(QStringLiteral("not exactly the selected row %1 removed").arg(run.selected));
        return faults;
    }

    if (acts && run.pane == pane && isRemoval(c)) {
        const auto deleted = deletedPositions(before, after);
        if (!deleted) {
            fault(QStringLiteral("a removal changed or added entries"));
            return faults;
        }
        const qsizetype examined = run.start[pane].size();
        for (int position : *deleted) {
            const QString& entry = before[position - 1];
            if (position > examined)
                fault(QStringLiteral("removed an entry appended after the scan began: ") + entry);
            else if (!removalSelects(entry, run.text, removesContaining(c)))
                fault(QStringLiteral("removed an entry its test did not select: ") + entry);
        }
        return faults;
    }

    if (after != before)
        fault(QStringLiteral("entries changed by a command that may not change this pane"));
    return faults;
}

QStringList InterleavingModel::checkFinished(const Run& run, const QStringList now[3],
                                             const std::uint64_t removals[3]) const
{
    QStringList faults;
    auto fault = [&](const QString& what) { faults.append(commandName(run) + QStringLiteral(": ") + what); };
    if (run.refused)
        return faults;
    switch (run.command) {
    case Command::CreateList:
        // Only a FolderList removal or a filter change can make a run list other than every accepted file.
        if (removals[1] == run.removals[1] && !run.filterChanged) {
            const QStringList expected = expectedListing(run.start[1], run.filter);
            const QStringList got = sorted(run.appended[2]);
            if (got != expected)
                fault(QStringLiteral("listed\n  %1\ninstead of\n  %2")
                          .arg(got.join(QStringLiteral(" | ")), expected.join(QStringLiteral(" | "))));
        }
        break;
    case Command::AddFolders:
        if (sorted(run.appended[1]) != m_facts.walk(run.text))
            fault(QStringLiteral("appended %1 instead of the walk of %2")
                      .arg(run.appended[1].join(QStringLiteral(" | ")), run.text));
        break;
    case Command::LoadLists:
    case Command::Sample:
        if (run.appended[1] != run.expectedAppends[1])
            fault(QStringLiteral("appended %1 instead of %2")
                      .arg(run.appended[1].join(QStringLiteral(" | ")),
                           run.expectedAppends[1].join(QStringLiteral(" | "))));
        break;
    case Command::RemoveResultsContaining:
    case Command::RemoveResultsNotContaining:
    case Command::RemoveFoldersContaining:
    case Command::RemoveFoldersNotContaining: {
        // Nothing else removed anything from the pane during the scan: every selected entry must be gone.
        const int p = run.pane;
        if (run.lastRemovalsBefore[p] != run.removals[p])
            break;
        QStringList expected;
        const qsizetype examined = run.start[p].size();
        for (qsizetype i = 0; i < run.lastBefore[p].size(); ++i) {
            const QString& entry = run.lastBefore[p][i];
            if (i >= examined || !removalSelects(entry, run.text, removesContaining(run.command)))
                expected.append(entry);
        }
        if (now[p] != expected)
            fault(QStringLiteral("left %1 instead of %2")
                      .arg(now[p].join(QStringLiteral(" | ")), expected.join(QStringLiteral(" | "))));
        break;
    }
    default: break;
    }
    return faults;
}

QStringList InterleavingModel::expectedListing(const QStringList& entries, const QString& filter) const
{
    QStringList lines;
    for (const QString& entry : entries) {
        if (entry.isEmpty())
            continue;
        const QString folder = entry.endsWith(separator()) ? entry.chopped(1) : entry;
        for (const QString& name : m_facts.filesIn(folder)) {
            const QString line = folder + separator() + name;
            if (!name.startsWith(QChar(u'~')) && acceptedByFilter(line, filter))
                lines.append(line);
        }
    }
    return sorted(lines);
}

QByteArray crlfLines(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
    return bytes;
}

QStringList checkSavedFile(const InterleavingModel& model, const QString& path, const QByteArray& content,
                           const std::optional<QByteArray>& expected)
{
    QStringList faults;
    if (expected && content != *expected)
        faults.append(QStringLiteral("%1 holds\n  %2\ninstead of\n  %3")
                          .arg(path, QString::fromUtf8(content.toPercentEncoding("/ ")),
                               QString::fromUtf8(expected->toPercentEncoding("/ "))));
    if (!content.isEmpty() && !content.endsWith("\r\n"))
        faults.append(path + QStringLiteral(" does not end with CR LF"));
    QList<QByteArray> lines = content.split('\n');
    lines.removeLast(); // after the last LF
    for (const QByteArray& line : lines) {
        if (!line.endsWith('\r') || line.count('\r') != 1) {
            faults.append(path + QStringLiteral(" has a line not ended by exactly CR LF"));
            continue;
        }
        if (const QString bad = model.checkResultLine(QString::fromUtf8(line.chopped(1))); !bad.isEmpty())
            faults.append(path + QStringLiteral(": ") + bad);
    }
    return faults;
}
