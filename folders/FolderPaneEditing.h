#pragma once

#include "commands/CommandTools.h"
#include "panes/PaneModel.h"

// The folder pane's own editing: a double-click or the Delete key removes the selected entry, and its
// "Clear List" empties it; none of them acts while a command holds the window busy.
void ListView1_DblClick(const PointerState& pointer, PaneModel& folders);
void ListView1_KeyDown(const PointerState& pointer, PaneModel& folders, int keyCode, int shift);
void PushButton9_Click(Reporter& reporter, const PointerState& pointer, PaneModel& folders);
