#pragma once

#include <QByteArray>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// What a small folder tree holds, read once by the test itself: the oracle for what the commands may append.
class TreeFacts
{
public:
    explicit TreeFacts(const QString& top);

    // The file names directly in a folder (given without a trailing separator); none for a missing folder.
    QStringList filesIn(const QString& folder) const { return m_files.value(folder); }
    // The folder and every folder below it, each with a trailing separator, sorted.
    QStringList walk(const QString& folder) const;
    bool isFolder(const QString& folder) const { return m_files.contains(folder); }

private:
    QString m_top;
    QMap<QString, QStringList> m_files; // every folder of the tree, the top included
};

// The filter rule and the removal test, written out again for the model.
bool acceptedByFilter(const QString& line, const QString& filter);
bool removalSelects(const QString& entry, const QString& text, bool containing);

// What the driver can fire, and the model tells apart: a button, a key in a pane, a filter change, a tick.
enum class Command {
    Idle, // the test itself between commands
    CreateList,
    AddFolders,
    LoadLists,
    Sample,
    Save,
    Copy,
    ClearResults,
    ClearFolders,
    RemoveResultsContaining,
    RemoveResultsNotContaining,
    RemoveFoldersContaining,
    RemoveFoldersNotContaining,
    DeleteFolder,
    DeleteResult,
    DoubleClickFolder,
    OtherKey,
    Filter,
    AllFiles,
    Tick,
    Help,
    FilterHelp,
};

// One started command, with what it found when it started and what it appended meanwhile.
struct Run
{
    Command command = Command::Idle;
    int pane = 0;                   // 1 FolderList, 2 ResultList: the pane a removal, a key or a clear acts on
    QString text;                   // a removal's text, the chosen folder
    int selected = 0;               // the selected row before a Delete or double-click
    bool refused = false;           // busy pointer, a run in progress, an empty text: the command may change nothing
    bool setsPointer = false;       // a long command that shows the hourglass while it works
    QStringList expectedAppends[3]; // load lists and sample data: exactly these lines, in order
    QString description;

    QString filter; // the filter text at the start
    bool filterChanged = false;
    bool ticked = false;
    QStringList start[3];
    // How many stretches had taken rows out of each pane when the run started. Two looks at a pane from far
    // apart cannot tell a row removed and the same line appended again from no change at all, and whether
    // anything was removed decides what a run must have done; the stretches in between tell.
    std::uint64_t removals[3] = {};
    QStringList appended[3];
    QStringList lastBefore[3]; // each pane as the last stretch of the run found it
    std::uint64_t lastRemovalsBefore[3] = {};
};

// The reference model: what each command may do to either pane between two observations, and what a finished
// run must have done. Every method answers the faults it saw (empty when none).
class InterleavingModel
{
public:
    explicit InterleavingModel(const TreeFacts& facts) : m_facts(facts) {}

    void sawFolderEntry(const QString& entry) { m_folderEntries.insert(entry); }
    // A ResultList line must name a file directly in a folder that FolderList held at some time.
    QString checkResultLine(const QString& line) const;

    // The stretch of `run` that took a pane from `before` to `after`; `filter` is the filter text meanwhile.
    QStringList checkStretch(Run& run, int pane, const QStringList& before, const QStringList& after,
                             std::uint64_t removalsBefore, const QString& filter);
    // The run has returned; the panes stand as `now`, with these removal counts.
    QStringList checkFinished(const Run& run, const QStringList now[3], const std::uint64_t removals[3]) const;

    // The lines a create-list run over these entries appends under an unchanged filter, sorted.
    QStringList expectedListing(const QStringList& entries, const QString& filter) const;

private:
    const TreeFacts& m_facts;
    QSet<QString> m_folderEntries;
};

// Each line followed by CR LF, as a results file holds them.
QByteArray crlfLines(const QStringList& lines);

// A saved results file: exactly CR LF lines, each a real ResultList line.
QStringList checkSavedFile(const InterleavingModel& model, const QString& path, const QByteArray& content,
                           const std::optional<QByteArray>& expected);
