#pragma once

#include "commands/CommandTools.h"
#include "panes/PaneModel.h"
#include "platform/Clipboard.h"
#include "platform/Desktop.h"

#include <vector>

// The commands of the panes' right-click menus. Each acts on the row the menu was opened on (a 1-based
// position, 0 for none) as the pane stands when the command starts.

// The rows a menu acts on: the ticked rows when the row it was opened on is ticked, else that row alone.
std::vector<int> menuRows(const PaneModel& pane, int row);

// "Copy Path": the rows' texts, one per line, on the clipboard as "3. Copy Results To Clipboard" puts them
// there, without a message after.
void CopyPath(const CommandTools& tools, Clipboard& clipboard, const PaneModel& pane, int row);
// "Open" and "Open Folder": the row's file or folder with the desktop's default application.
void OpenEntry(const CommandTools& tools, Desktop& desktop, const PaneModel& pane, int row);
// "Show in Folder": the row's file selected in the file manager.
void ShowInFolder(const CommandTools& tools, Desktop& desktop, const PaneModel& pane, int row);
// "Tick All" and "Untick All".
void TickAll(PaneModel& results, bool ticked);
// "Save Folder List As…": the folder pane as a list file that "Load Folders From Text File" reads back to the
// same rows, written as the results file is (CR LF, the system's 8-bit text, the old file kept until the new one
// is whole). A row holding a line break could not be read back as one row: such a pane is refused before the
// dialog, with one message.
void SaveFolderListAs(const CommandTools& tools, const PaneModel& folders);
