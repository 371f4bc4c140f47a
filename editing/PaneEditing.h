#pragma once

#include "commands/PointerState.h"
#include "panes/PaneModel.h"

// The key code of the Delete key, as the panes' key-down handlers compare it.
constexpr int kKeyDelete = 46;

// Removes the selected entry of a pane, unless a command holds the window busy, the pane is empty or nothing
// is selected. Only one entry goes.
void removeSelectedEntry(const PointerState& pointer, PaneModel& pane);
