#include "results/ResultsPaneEditing.h"

#include "editing/PaneEditing.h"

void ListView2_KeyDown(const PointerState& pointer, PaneModel& results, int keyCode, int /*shift*/)
{
    if (keyCode == kKeyDelete)
        removeSelectedEntry(pointer, results);
}

void PushButton8_Click(Reporter& reporter, PaneModel& results)
{
    Procedure proc(reporter, procedureText(QStringLiteral("Form1"), QStringLiteral("PushButton8_Click")));
    proc.step(100, [&] { results.clear(); });
}
