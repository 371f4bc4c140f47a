#pragma once

class PaneView;
class QAccessibleInterface;

// A pane as assistive technology sees it: a table with its column header and one cell per entry (PaneCell).
QAccessibleInterface* newPaneTable(PaneView* view);
