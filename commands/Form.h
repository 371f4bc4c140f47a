#pragma once

#include "commands/CommandTools.h"
#include "commands/FilterText.h"
#include "commands/Services.h"
#include "panes/PaneModel.h"

#include <QString>

// The window's two panes.
enum class Pane { Folders, Results };

// The main window's state as the commands see it; the window hands each command the pieces it works on.
struct Form
{
    PaneModel& FolderList;    // the items of ListView1
    PaneModel& ResultList;    // the items of ListView2
    const FilterText& FilterExtension; // Text1's text
    PointerState& MousePointer;
    Reporter& reporter;
    Services& sys;
    QString applicationTitle;
    bool CreatingList = false;
    QString StartFolder; // the folder chooser's first selection, as "1. Add Folders and Subfolders" last read it

    PaneModel& pane(Pane which) { return which == Pane::Folders ? FolderList : ResultList; }
    CommandTools tools() { return {reporter, sys.dialogs, applicationTitle, MousePointer, sys.files, sys.yield}; }
};
