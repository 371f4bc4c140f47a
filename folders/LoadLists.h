#pragma once

#include "commands/CommandTools.h"
#include "panes/PaneModel.h"

// "Load Folders From Text File": every line of every chosen list file becomes a folder pane entry.
void PushButton2_Click(const CommandTools& tools, PaneModel& folders);

// Appends each line of the text file to the pane, exactly as read, with one yield per line. A file that does
// not exist shows "File not found"; one that cannot be opened or read further is reported, and the lines read
// before stay.
void FileToListbox(const CommandTools& tools, PaneModel& pane, const QString& path);
