#pragma once

#include "commands/CommandTools.h"
#include "panes/PaneModel.h"

// "Sort A to Z": puts the pane's rows in natural order (panes/NaturalOrder.h), rows of equal text in the order
// they had, each row's check mark and the selection going with it. With the window busy; the window repaints
// meanwhile but no command can start.
void SortAToZ(const CommandTools& tools, PaneModel& pane);

// The order of the pane's rows sorted, as RowStore::reorderRows takes it; calls `keepPainting` every few
// thousand rows.
RowStore::Order sortedOrder(const RowStore& rows, const std::function<void()>& keepPainting);
