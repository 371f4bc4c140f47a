#pragma once

#include "commands/CommandTools.h"
#include "panes/PaneModel.h"
#include "platform/SettingsStorage.h"

// "1. Add Folders and Subfolders": the user picks a folder, and the folder pane gets that folder and every
// usable folder below it, level by level, each ending in one separator.
void PushButton6_Click(const CommandTools& tools, SettingsStorage& settings, PaneModel& folders, QString& startFolder);
