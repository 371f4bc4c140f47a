#include "app/PaneMenus.h"

#include "app/PaneView.h"
#include "commands/Form.h"
#include "editing/SortAToZ.h"
#include "platform/qt/CommandGate.h"
#include "results/PaneMenuCommands.h"
#include "results/ResultsOutput.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

PaneMenus::PaneMenus(Form& form, const CommandGate& gate, Starter start, PaneView& folders, PaneView& results)
    : QObject(&results), m_form(form), m_gate(gate), m_start(std::move(start)), m_folders(folders), m_results(results)
{
    for (PaneView* view : {&folders, &results}) {
        view->installEventFilter(this);
        view->viewport()->installEventFilter(this);
    }
}

bool PaneMenus::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ContextMenu && event->type() != QEvent::KeyPress)
        return false; // and the views are not looked at while they go
    PaneView* view = watched == &m_folders || watched == m_folders.viewport() ? &m_folders : &m_results;
    if (event->type() == QEvent::ContextMenu) {
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        if (menuEvent->reason() == QContextMenuEvent::Mouse && watched == view->viewport()) {
            const QModelIndex under = view->indexAt(menuEvent->pos());
            open(*view, under.isValid() ? under.row() + 1 : 0, menuEvent->globalPos());
            return true;
        }
    } else if (event->type() != QEvent::KeyPress || watched != view) {
        return false;
    } else if (auto* key = static_cast<QKeyEvent*>(event);
               !(key->key() == Qt::Key_Menu || (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier))) {
        return false;
    }
    // From the keyboard: on the current row, below it where it shows.
    const QModelIndex current = view->currentIndex();
    const QRect cell = view->visualRect(current);
    const QPoint at = cell.isValid() && view->viewport()->rect().intersects(cell) ? cell.bottomLeft() : QPoint(0, 0);
    open(*view, current.isValid() ? current.row() + 1 : 0, view->viewport()->mapToGlobal(at));
    return true;
}

void PaneMenus::open(PaneView& view, int row, QPoint at)
{
    if (m_menu)
        m_menu->close();
    auto* menu = new QMenu(&view);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (&view == &m_folders)
        fillFolders(*menu, row);
    else
        fillResults(*menu, row);
    m_menu = menu;
    menu->popup(at);
}

void PaneMenus::add(QMenu& menu, const QString& text, bool enabled, std::function<void()> command)
{
    QAction* item = menu.addAction(text);
    item->setEnabled(enabled && !m_gate.commandRunning());
    connect(item, &QAction::triggered, this, [this, command = std::move(command)] { m_start(command); });
}

void PaneMenus::addOnRow(QMenu& menu, const QString& text, bool enabled, const PaneModel& pane, int row,
                         std::function<void()> command)
{
    const std::uint64_t removals = pane.removals();
    add(menu, text, enabled && row >= 1 && row <= pane.count(),
        [&pane, removals, row, command = std::move(command)] {
            if (pane.removals() == removals && row <= pane.count())
                command();
        });
}

void PaneMenus::fillFolders(QMenu& menu, int row)
{
    Form& f = m_form;
    PaneModel& pane = f.FolderList;
    addOnRow(menu, QStringLiteral("Open Folder"), f.sys.desktop, pane, row,
             [&f, &pane, row] { OpenEntry(f.tools(), *f.sys.desktop, pane, row); });
    addOnRow(menu, QStringLiteral("Copy Path"), true, pane, row,
             [&f, &pane, row] { CopyPath(f.tools(), f.sys.clipboard, pane, row); });
    menu.addSeparator();
    add(menu, QStringLiteral("Sort A to Z"), pane.count() > 0, [&f, &pane] { SortAToZ(f.tools(), pane); });
    add(menu, QStringLiteral("Save Folder List As…"), pane.count() > 0,
        [&f, &pane] { SaveFolderListAs(f.tools(), pane); });
}

void PaneMenus::fillResults(QMenu& menu, int row)
{
    Form& f = m_form;
    PaneModel& pane = f.ResultList;
    const bool any = pane.count() > 0;
    addOnRow(menu, QStringLiteral("Open"), f.sys.desktop, pane, row,
             [&f, &pane, row] { OpenEntry(f.tools(), *f.sys.desktop, pane, row); });
    addOnRow(menu, QStringLiteral("Show in Folder"), f.sys.desktop, pane, row,
             [&f, &pane, row] { ShowInFolder(f.tools(), *f.sys.desktop, pane, row); });
    addOnRow(menu, QStringLiteral("Copy Path"), true, pane, row,
             [&f, &pane, row] { CopyPath(f.tools(), f.sys.clipboard, pane, row); });
    menu.addSeparator();
    add(menu, QStringLiteral("Tick All"), any, [&pane] { TickAll(pane, true); });
    add(menu, QStringLiteral("Untick All"), any, [&pane] { TickAll(pane, false); });
    menu.addSeparator();
    add(menu, QStringLiteral("Sort A to Z"), any, [&f, &pane] { SortAToZ(f.tools(), pane); });
    add(menu, QStringLiteral("Export as CSV…"), any, [&f, &pane] { saveResultsAs(f.tools(), pane, SaveType::Csv); });
}
