#pragma once

class PaneView;
class QAccessibleInterface;
class QModelIndex;

// The cells of a pane's accessible table (PaneTable): one row's entry in one column, and the header of one
// column. Each belongs to the table its view has and has no children of its own. Made when a client asks for
// them; the table registers them and lets them go.
QAccessibleInterface* newPaneCell(PaneView* view, const QModelIndex& index);
QAccessibleInterface* newPaneHeaderCell(PaneView* view, int column);
