#pragma once

#include "commands/CommandTools.h"
#include "panes/PaneModel.h"
#include "platform/SettingsStorage.h"

#include <QString>
#include <QStringList>

// Adds what was dropped onto the folder pane, one by one in the order dropped: a folder as "1. Add Folders
// and Subfolders" adds the folder the user picked, and the files that follow one another as "Load Folders
// From Text File" loads the files picked in its dialog. The dropped paths are the dialogs' answers; the
// commands' own steps and reports stay as they are.
void addDroppedPaths(const CommandTools& tools, SettingsStorage& settings, PaneModel& folders, QString& startFolder,
                     const QStringList& paths);
