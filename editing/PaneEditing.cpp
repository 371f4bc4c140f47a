#include "editing/PaneEditing.h"

void removeSelectedEntry(const PointerState& pointer, PaneModel& pane)
{
    if (pointer.isBusy() || pane.count() == 0)
        return;
    if (const int selected = pane.selectedIndex())
        pane.remove(selected);
}
