#pragma once

#include <QTreeView>

class ListPane;

// A list pane on screen: report view with one header, single selection, no editing, a column that the user
// drags wider than the pane to read long paths. Passes its key-down and double-click events on.
class PaneView : public QTreeView
{
    Q_OBJECT

public:

    PaneView(ListPane& pane, bool hotTracking, QWidget* parent = nullptr);

    ListPane& pane() const { return m_pane; }
    // Selects the row at the 1-based position, as a click on it does.
    void selectRow(int position);

Q_SIGNALS:
    void keyDown(int keyCode, int shift);
    void dblClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    ListPane& m_pane;
};
