#pragma once

#include <QMenu>
#include <QObject>
#include <QPoint>
#include <QPointer>

#include <functional>

class CommandGate;
class PaneView;
class PaneModel;

struct Form;

// The right-click menus of the two panes. A menu opens on a right click, the Menu key or Shift+F10 (then on
// the current row), and its items start their commands through the gate, as a button does. Items that cannot
// apply are shown disabled: those about a row when the menu is not on one, those about the pane's rows on an
// empty pane, and all of them while a command runs.
class PaneMenus : public QObject
{
public:
    using Starter = std::function<void(std::function<void()>)>;

    PaneMenus(Form& form, const CommandGate& gate, Starter start, PaneView& folders, PaneView& results);

    // Opens the pane's menu on the 1-based row (0: none) at the screen point.
    void open(PaneView& view, int row, QPoint at);
    // The menu open now, if any.
    QMenu* openMenu() const { return m_menu; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillFolders(QMenu& menu, int row);
    void fillResults(QMenu& menu, int row);
    // Adds an item whose command starts through the gate.
    void add(QMenu& menu, const QString& text, bool enabled, std::function<void()> command);
    // An item about the row the menu opened on: its command runs only where the pane still holds the rows it
    // held then.
    void addOnRow(QMenu& menu, const QString& text, bool enabled, const PaneModel& pane, int row,
                  std::function<void()> command);

    Form& m_form;
    const CommandGate& m_gate;
    Starter m_start;
    PaneView& m_folders;
    PaneView& m_results;
    QPointer<QMenu> m_menu;
};
