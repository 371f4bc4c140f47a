#include "InterleavingDriver.h"

#include "app/PaneView.h"
#include "base/PathStyle.h"
#include "editing/RemoveEntries.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QtTest>

#include <algorithm>

namespace {

QStringList g_escaped;
QtMessageHandler g_previousHandler = nullptr;

const QStringList kTreeEntries = {
    "docs/a.txt",           "docs/B.TXT",       "docs/c.md",       "docs/~lock.txt",  "docs/notes",
    "docs/archive.tar.Txt", "docs/d.txt.bak",   "docs/old/e.txt",  "docs/old/~f.txt", "docs/old/g.log",
    "docs/old/deep/h.txt",  "docs/old/deep/i",  "music/j.mp3",     "music/k.txt",     "music/~tmp",
    "music/l.TXT",          "music/live/m.txt", "music/live/n.md", "empty/",          "misc.d/readme",
    "misc.d/o.txt",         "misc.d/~p.md",     "photos/q.jpg",    "photos/r.JPG",    "photos/s.txt",
    "photos/t u.txt",       "photos/name.",     "top.txt",
};

QString withSeparator(const QString& folder)
{
    return folder + separator();
}

} // namespace

InterleavingWorld::InterleavingWorld() : tree(kTreeEntries)
{
    facts.emplace(tree.path());
    folders = facts->walk(tree.path());
    for (QString& folder : folders)
        folder.chop(1);
    const QString lists = this->lists.path();
    const QStringList a = {withSeparator(tree.path(QStringLiteral("docs"))), tree.path(QStringLiteral("music")),
                           QString(), tree.path(QStringLiteral("gone")),
                           withSeparator(tree.path(QStringLiteral("photos")))};
    const QStringList b = {tree.path(QStringLiteral("misc.d")), withSeparator(tree.path(QStringLiteral("docs/old")))};
    listFiles.insert(lists + QStringLiteral("/a.txt"), a);
    listFiles.insert(lists + QStringLiteral("/b.txt"), b);
    listFiles.insert(lists + QStringLiteral("/c.txt"), {});
    for (auto it = listFiles.cbegin(); it != listFiles.cend(); ++it) {
        QFile file(it.key());
        if (file.open(QIODevice::WriteOnly))
            file.write(it.key().endsWith(QLatin1String("b.txt")) ? crlfLines(it.value()).replace("\r\n", "\r")
                                                                 : crlfLines(it.value()));
    }
    missingListFile = lists + QStringLiteral("/missing.txt");
}

InterleavingDriver::InterleavingDriver(InterleavingWorld& world, quint32 seed)
    : m_world(world), m_random(seed), m_model(*world.facts)
{}

QStringList InterleavingDriver::run(Command outer)
{
    m_h.yield.setProcessEvents(true);
    m_h.environment.variables.insert(QStringLiteral("TEMP"), pick(m_world.folders));
    m_h.environment.variables.insert(QStringLiteral("ProgramFiles"), withSeparator(pick(m_world.folders)));
    m_h.start();
    takeEscapedHandlerMessages();
    seedPanes();
    m_stack = {&m_idle};
    m_snapshot[1] = m_h.folderEntries();
    m_snapshot[2] = m_h.resultEntries();
    m_h.yield.every([this] { onYield(); });
    fire(outer);
    m_h.yield.every({});
    observe();
    finish();
    return m_faults;
}

void InterleavingDriver::seedPanes()
{
    Form& form = m_h.form();
    const int folders = 2 + int(m_random.bounded(6));
    QStringList seeded;
    for (int i = 0; i < folders; ++i) {
        const QString folder = pick(m_world.folders);
        seeded.append(m_random.bounded(2) ? withSeparator(folder) : folder);
    }
    if (m_random.bounded(5) == 0)
        seeded.insert(int(m_random.bounded(int(seeded.size()) + 1)), m_world.tree.path(QStringLiteral("gone")));
    if (m_random.bounded(10) == 0)
        seeded.insert(int(m_random.bounded(int(seeded.size()) + 1)), QString());
    for (const QString& entry : seeded) {
        form.FolderList.append(entry);
        m_model.sawFolderEntry(entry);
    }
    const QStringList lines = m_model.expectedListing(seeded, QStringLiteral("*"));
    const int results = lines.isEmpty() ? 0 : int(m_random.bounded(11));
    for (int i = 0; i < results; ++i) {
        form.ResultList.append(pick(lines));
        form.ResultList.setChecked(form.ResultList.count(), m_random.bounded(2));
    }
    changeFilter(pick<QString>({"*", "*", "txt", "TXT", "md", "", "jpg", ".txt"}));
}

void InterleavingDriver::changeFilter(const QString& text)
{
    if (m_h.window().Text1()->text() != text)
        for (Run* run : m_stack)
            run->filterChanged = true;
    m_h.window().Text1()->setText(text);
}

// The stretch since the last observation belongs to the innermost command that has not returned. It is that
// command's code between two yields, which either takes rows out or appends them, never both: a pane that no
// longer begins with what it held lost rows in it.
void InterleavingDriver::observe()
{
    const QStringList now[3] = {{}, m_h.folderEntries(), m_h.resultEntries()};
    const QString filter = m_h.window().Text1()->text();
    for (int pane = 1; pane <= 2; ++pane) {
        const QStringList& before = m_snapshot[pane];
        const std::uint64_t removalsBefore = m_removals[pane];
        if (now[pane].size() < before.size() || !std::equal(before.begin(), before.end(), now[pane].begin()))
            ++m_removals[pane];
        m_faults += m_model.checkStretch(*m_stack.back(), pane, before, now[pane], removalsBefore, filter);
        m_snapshot[pane] = now[pane];
    }
}

// Between the steps of the commands in progress (not at a command's return, where its last step cleared it).
void InterleavingDriver::checkCreatingList()
{
    // The flag belongs to the create-list run in progress and to nothing else.
    const bool listing = std::any_of(m_stack.begin(), m_stack.end(), [](const Run* run) {
        return run->command == Command::CreateList && !run->refused;
    });
    if (m_h.form().CreatingList != listing)
        m_faults.append(QStringLiteral("%1: CreatingList is %2").arg(m_stack.back()->description).arg(!listing));
}

void InterleavingDriver::onYield()
{
    observe();
    checkCreatingList();
    if (int(m_stack.size()) - 1 >= kMaxDepth || m_fired >= kMaxActions || !m_faults.isEmpty())
        return;
    if (int(m_random.bounded(100)) < kFirePercent)
        fire(randomNested());
}

Command InterleavingDriver::randomNested()
{
    // Under a running save or listing, a removal followed by appends is what can mix two states of the
    // results: such changes come often there, so the CI's sequences meet them.
    static const std::vector<Command> changingResults = {
        Command::RemoveResultsContaining,
        Command::RemoveResultsNotContaining,
        Command::DeleteResult,
        Command::ClearResults,
        Command::CreateList,
        Command::CreateList,
        Command::LoadLists,
        Command::Sample,
    };
    const bool underLongRun = std::any_of(m_stack.begin(), m_stack.end(), [](const Run* run) {
        return run->command == Command::Save || run->command == Command::CreateList;
    });
    if (underLongRun && m_random.bounded(2) == 0)
        return pick(changingResults);
    static const std::vector<Command> weighted = {
        Command::CreateList,
        Command::CreateList,
        Command::AddFolders,
        Command::AddFolders,
        Command::LoadLists,
        Command::LoadLists,
        Command::Sample,
        Command::Save,
        Command::Save,
        Command::Copy,
        Command::Copy,
        Command::ClearResults,
        Command::ClearResults,
        Command::ClearFolders,
        Command::ClearFolders,
        Command::RemoveResultsContaining,
        Command::RemoveResultsNotContaining,
        Command::RemoveFoldersContaining,
        Command::RemoveFoldersNotContaining,
        Command::DeleteFolder,
        Command::DeleteFolder,
        Command::DeleteResult,
        Command::DeleteResult,
        Command::DoubleClickFolder,
        Command::DoubleClickFolder,
        Command::OtherKey,
        Command::Filter,
        Command::Filter,
        Command::Filter,
        Command::AllFiles,
        Command::Tick,
        Command::Help,
        Command::FilterHelp,
    };
    return pick(weighted);
}

void InterleavingDriver::fire(Command action)
{
    observe();
    checkCreatingList();
    Run run;
    std::function<void(Run&)> after;
    const std::function<void()> act = prepare(action, run, after);
    const int depth = int(m_stack.size()) - 1;
    run.description = QStringLiteral("%1%2 (depth %3, yield %4)")
                          .arg(QString(depth * 2, QChar(u' ')), run.description)
                          .arg(depth)
                          .arg(m_h.yield.calls());
    m_log.append(run.description);
    run.filter = m_h.window().Text1()->text();
    for (int pane = 1; pane <= 2; ++pane) {
        run.start[pane] = m_snapshot[pane];
        run.removals[pane] = m_removals[pane];
    }
    ++m_fired;
    // The user may go on working while a message box of the run is open, "Done." at the latest. Not a save:
    // its overwrite question would take the answer primed for a question already asked.
    if (run.command == Command::CreateList && !run.refused && m_random.bounded(10) < 3)
        m_h.dialogs.whileNextMessage([this] {
            if (int(m_stack.size()) - 1 >= kMaxDepth || m_fired >= kMaxActions)
                return;
            m_log.append(QStringLiteral("  while a message box is open:"));
            Command nested = randomNested();
            while (nested == Command::Save)
                nested = randomNested();
            fire(nested);
        });
    m_stack.push_back(&run);
    act();
    observe();
    m_stack.pop_back();
    m_faults += m_model.checkFinished(run, m_snapshot, m_removals);
    // A long command that set the hourglass sets the default pointer as its last step.
    if (run.setsPointer && m_h.form().MousePointer.value() != Pointer::Default)
        m_faults.append(QStringLiteral("%1: pointer %2 after it returned")
                            .arg(run.description)
                            .arg(m_h.form().MousePointer.value()));
    if (after)
        after(run);
}

void InterleavingDriver::finish()
{
    Form& form = m_h.form();
    if (form.CreatingList)
        m_faults.append(QStringLiteral("CreatingList still set after every command ended"));
    if (form.MousePointer.value() != Pointer::Default)
        m_faults.append(QStringLiteral("pointer %1 after every command ended").arg(form.MousePointer.value()));
    for (const QString& message : takeEscapedHandlerMessages())
        m_faults.append(QStringLiteral("escaped a handler: ") + message);
    m_faults += m_h.takeProblems();
    const auto stored = m_h.storedFilter();
    if (stored != m_h.window().Text1()->text())
        m_faults.append(QStringLiteral("the settings hold \"%1\", the filter box \"%2\"")
                            .arg(stored.value_or(QStringLiteral("(nothing)")), m_h.window().Text1()->text()));
    for (const QString& line : m_snapshot[2])
        if (const QString bad = m_model.checkResultLine(line); !bad.isEmpty())
            m_faults.append(bad);
    for (auto it = m_savedFiles.cbegin(); it != m_savedFiles.cend(); ++it) {
        QFile file(it.key());
        if (!file.open(QIODevice::ReadOnly)) {
            if (it.value())
                m_faults.append(QStringLiteral("a confirmed save left no file: ") + it.key());
            continue;
        }
        m_faults += checkSavedFile(m_model, it.key(), file.readAll(), it.value());
    }
    // A save that was refused or failed leaves no temporary file beside its target.
    for (const QString& name : QDir(m_saves.path()).entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (!m_savedFiles.contains(m_saves.path() + QChar(u'/') + name))
            m_faults.append(QStringLiteral("a file left in the save folder: ") + name);
}

void installEscapeCounter()
{
    g_previousHandler =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (text.startsWith(QLatin1String("Tallyfold: ")))
                g_escaped.append(text);
            if (g_previousHandler)
                g_previousHandler(type, context, text);
        });
}

int escapedHandlerFailures()
{
    return int(g_escaped.size());
}

QStringList takeEscapedHandlerMessages()
{
    QStringList taken;
    taken.swap(g_escaped);
    return taken;
}
