#pragma once

#include <QAccessible>

// The list panes as assistive technology sees them: a table per pane with its column header and one cell
// per entry, each cell's text the entry's, and in the results pane a check box per row with a toggle action.
// Cells are made when a client asks for them and forgotten when the rows under them change, so a pane of a
// million rows costs nothing until a screen reader reads it.

// Registers the pane views' accessibility factory once; the window calls it before it makes its panes.
void installPaneAccessibility();

// The factory itself, for a class name and an object, as QAccessible::installFactory takes it.
QAccessibleInterface* paneAccessibilityFactory(const QString& className, QObject* object);
