// How the driver fires each command: the dialog answers it primes, and what the model must know of the run.
#include "InterleavingDriver.h"

#include "app/PaneView.h"
#include "base/PathStyle.h"
#include "editing/RemoveEntries.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QtTest>

namespace {

QString trimmedRight(QString text)
{
    while (text.endsWith(QChar(u' ')))
        text.chop(1);
    return text;
}

} // namespace

std::function<void()> InterleavingDriver::prepare(Command action, Run& run, std::function<void(Run&)>& after)
{
    Form& form = m_h.form();
    MainWindow& window = m_h.window();
    auto click = [this](int button) { return [this, button] { m_h.click(button); }; };
    const TestTree& tree = m_world.tree;
    run.command = action;

    switch (action) {
    case Command::CreateList:
        run.refused = form.CreatingList;
        run.setsPointer = !run.refused && form.FolderList.count() > 0;
        run.description = QStringLiteral("create list");
        return click(5);

    case Command::AddFolders: {
        run.text = pick<QString>({tree.path(), tree.path(QStringLiteral("docs")), tree.path(QStringLiteral("music")),
                                  tree.path(QStringLiteral("empty")), tree.path(QStringLiteral("photos")), QString()});
        run.refused = run.text.isEmpty();
        run.setsPointer = !run.refused;
        run.description = QStringLiteral("add folders \"%1\"").arg(run.text);
        m_h.dialogs.folderNext(run.text);
        return click(6);
    }

    case Command::LoadLists: {
        const QStringList files = m_world.listFiles.keys(); // a, b, c
        const QStringList chosen = pick<QStringList>({{files[0]},
                                                      {files[1], files[2]},
                                                      {m_world.missingListFile},
                                                      {},
                                                      {files[0], m_world.missingListFile, files[1]},
                                                      {files[2]}});
        for (const QString& file : chosen)
            run.expectedAppends[1] += m_world.listFiles.value(file);
        run.refused = chosen.isEmpty();
        run.setsPointer = !run.refused;
        run.description = QStringLiteral("load lists %1").arg(chosen.join(QStringLiteral(", ")));
        m_h.dialogs.openNext(chosen);
        return click(2);
    }

    case Command::Sample:
        run.expectedAppends[1] = {m_h.environment.variables.value(QStringLiteral("TEMP")),
                                  m_h.environment.variables.value(QStringLiteral("ProgramFiles"))};
        run.description = QStringLiteral("sample data");
        return click(3);

    case Command::Save: {
        run.refused = true; // no pane changes
        QString path;
        const int choice = int(m_random.bounded(100));
        if (choice >= 15 && choice < 27 && !m_savedFiles.isEmpty())
            path = pick(std::vector<QString>(m_savedFiles.keyBegin(), m_savedFiles.keyEnd()));
        else if (choice >= 15)
            path = m_saves.path() + QStringLiteral("/out%1.txt").arg(++m_saveCount);
        bool confirmed = !path.isEmpty();
        if (!path.isEmpty() && QFileInfo::exists(path)) {
            confirmed = m_random.bounded(10) < 6;
            m_h.dialogs.answerNext(confirmed ? MsgBoxAnswer::Yes : MsgBoxAnswer::No);
        }
        run.description =
            QStringLiteral("save \"%1\"%2").arg(path, confirmed ? QString() : QStringLiteral(", not confirmed"));
        m_h.dialogs.saveNext(path);
        after = [this, path, confirmed](Run& finished) {
            if (!confirmed)
                return;
            // A saved file is the pane at one moment, when the save read its count: appends later are not in
            // it. After a removal under the save no such list is left to write, so the file stays as it was
            // (and a new name stays free, which the final look at the save folder checks).
            if (m_removals[2] == finished.removals[2])
                m_savedFiles[path] = crlfLines(finished.start[2]);
        };
        return click(7);
    }

    case Command::Copy: {
        run.refused = true;
        run.setsPointer = true;
        run.description = QStringLiteral("copy");
        after = [this, before = m_h.clipboard.text](Run& finished) {
            if (m_removals[2] != finished.removals[2] || finished.ticked)
                return;
            const PaneModel& pane = m_h.form().ResultList;
            if (finished.start[2].isEmpty()) {
                if (m_h.clipboard.text != before)
                    m_faults.append(QStringLiteral("copy of an empty pane changed the clipboard"));
                return;
            }
            // The text pass reads its bound afresh: rows appended during the widths pass may be in it.
            QString text;
            bool matched = false;
            for (int row = 1; row <= pane.count() && !matched; ++row) {
                if (pane.checked(row))
                    text += trimmedRight(pane.text(row)) + QStringLiteral("\r\n");
                matched = row >= int(finished.start[2].size()) && m_h.clipboard.text == text;
            }
            if (!matched)
                m_faults.append(
                    QStringLiteral("copy: the clipboard holds \"%1\"").arg(m_h.clipboard.text.value_or("")));
        };
        return click(1);
    }

    case Command::ClearResults:
        run.pane = 2;
        run.description = QStringLiteral("clear results");
        return click(8);

    case Command::ClearFolders:
        run.pane = 1;
        run.refused = form.MousePointer.value() == Pointer::Busy;
        run.description = QStringLiteral("clear folders%1").arg(run.refused ? QStringLiteral(", busy") : QString());
        return click(9);

    case Command::RemoveResultsContaining: prepareRemoval(run, 2, true); return click(4);
    case Command::RemoveResultsNotContaining: prepareRemoval(run, 2, false); return click(10);
    case Command::RemoveFoldersContaining: prepareRemoval(run, 1, true); return click(13);
    case Command::RemoveFoldersNotContaining: prepareRemoval(run, 1, false); return click(14);

    case Command::DeleteFolder:
    case Command::DeleteResult: {
        const int pane = action == Command::DeleteFolder ? 1 : 2;
        prepareSelection(run, pane);
        run.description = QStringLiteral("Delete on pane %1, row %2").arg(pane).arg(run.selected) + run.description;
        PaneView* view = pane == 1 ? window.ListView1() : window.ListView2();
        return [view] { QTest::keyClick(view, Qt::Key_Delete); };
    }

    case Command::DoubleClickFolder: {
        prepareSelection(run, 1);
        run.description = QStringLiteral("double-click on row %1").arg(run.selected) + run.description;
        PaneView* view = window.ListView1();
        return [view] { Q_EMIT view->dblClick(); };
    }

    case Command::OtherKey: {
        run.refused = true;
        PaneView* view = m_random.bounded(2) ? window.ListView1() : window.ListView2();
        const Qt::Key key = pick<Qt::Key>({Qt::Key_Backspace, Qt::Key_Period, Qt::Key_A, Qt::Key_Insert});
        prepareSelection(run, view == window.ListView1() ? 1 : 2);
        run.refused = true;
        run.description = QStringLiteral("key %1 on %2").arg(int(key)).arg(view->objectName());
        return [view, key] { QTest::keyClick(view, key); };
    }

    case Command::Filter:
    case Command::AllFiles: {
        run.refused = true;
        const QString text = action == Command::AllFiles
                                 ? QStringLiteral("*")
                                 : pick<QString>({"*", "txt", "TXT", "md", "", "jpg", ".txt", "*.*", "d/readme"});
        run.description =
            action == Command::AllFiles ? QStringLiteral("All Files") : QStringLiteral("filter \"%1\"").arg(text);
        if (action == Command::AllFiles)
            return [this] {
                if (m_h.window().Text1()->text() != QLatin1String("*"))
                    for (Run* r : m_stack)
                        r->filterChanged = true;
                m_h.click(15);
            };
        return [this, text] { changeFilter(text); };
    }

    case Command::Tick:
        run.refused = true;
        run.description = QStringLiteral("tick");
        return [this] {
            PaneModel& results = m_h.form().ResultList;
            if (results.count() == 0)
                return;
            const int row = 1 + int(m_random.bounded(results.count()));
            results.setChecked(row, !results.checked(row));
            for (Run* r : m_stack)
                r->ticked = true;
        };

    case Command::Help:
    case Command::FilterHelp:
        run.refused = true;
        run.description = action == Command::Help ? QStringLiteral("help") : QStringLiteral("filter help");
        return click(action == Command::Help ? 11 : 12);

    case Command::Idle: break; // the test itself, never fired
    }
    return {};
}

void InterleavingDriver::prepareRemoval(Run& run, int pane, bool containing)
{
    PaneModel& target = pane == 1 ? m_h.form().FolderList : m_h.form().ResultList;
    run.pane = pane;
    // A removal started on a pane that another one is scanning asks nothing: no answer to prime.
    if (removalScanning(target)) {
        run.refused = true;
    } else {
        run.text = pick<QString>({"txt", "TXT", "old", "~", "music/", "a", " txt", "zz", "", "/", "docs"});
        run.refused = run.text.isEmpty();
        run.setsPointer = !run.refused;
        m_h.dialogs.inputNext(run.text);
    }
    run.description = QStringLiteral("remove from pane %1 entries %2containing \"%3\"%4")
                          .arg(pane)
                          .arg(containing ? QString() : QStringLiteral("not "), run.text,
                               removalScanning(target) ? QStringLiteral(", refused") : QString());
}

// The user clicks a row (or beside the rows) before pressing a key.
void InterleavingDriver::prepareSelection(Run& run, int pane)
{
    PaneModel& target = pane == 1 ? m_h.form().FolderList : m_h.form().ResultList;
    PaneView* view = pane == 1 ? m_h.window().ListView1() : m_h.window().ListView2();
    target.announce();
    const int row = target.count() ? int(m_random.bounded(target.count() + 1)) : 0;
    if (row)
        view->selectRow(row);
    else
        target.selectionModel()->clearSelection();
    run.pane = pane;
    run.selected = target.selectedIndex();
    if (run.selected != row)
        m_faults.append(
            QStringLiteral("row %1 of pane %2 selected, the pane says %3").arg(row).arg(pane).arg(run.selected));
    // The model's own reading of the busy rule: the pointer shows the hourglass.
    const bool busy = m_h.form().MousePointer.value() == Pointer::Busy;
    run.refused = busy || target.count() == 0 || run.selected == 0;
    if (busy)
        run.description = QStringLiteral(", busy");
}
