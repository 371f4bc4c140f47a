#include "PaneLines.h"

#include "panes/PaneModel.h"

QStringList sorted(QStringList lines)
{
    lines.sort();
    return lines;
}

void fill(PaneModel& pane, const QStringList& entries)
{
    for (const QString& entry : entries)
        pane.append(entry);
    pane.announce();
}
