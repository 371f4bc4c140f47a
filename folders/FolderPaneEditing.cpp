#include "folders/FolderPaneEditing.h"

#include "editing/PaneEditing.h"

void ListView1_DblClick(const PointerState& pointer, PaneModel& folders)
{
    removeSelectedEntry(pointer, folders);
}

void ListView1_KeyDown(const PointerState& pointer, PaneModel& folders, int keyCode, int /*shift*/)
{
    if (keyCode == kKeyDelete)
        removeSelectedEntry(pointer, folders);
}

void PushButton9_Click(Reporter& reporter, const PointerState& pointer, PaneModel& folders)
{
    Procedure proc(reporter, procedureText(QStringLiteral("Form1"), QStringLiteral("PushButton9_Click")));
    if (proc.test(100, [&] { return !pointer.isBusy(); }))
        proc.step(100, [&] { folders.clear(); });
}
