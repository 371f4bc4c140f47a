#pragma once

#include "commands/CommandTools.h"
#include "panes/PaneModel.h"

// The Delete key removes the selected result unless a command holds the window busy.
void ListView2_KeyDown(const PointerState& pointer, PaneModel& results, int keyCode, int shift);
// The results pane's "Clear List": empties it at any time, also while a command runs.
void PushButton8_Click(Reporter& reporter, PaneModel& results);
