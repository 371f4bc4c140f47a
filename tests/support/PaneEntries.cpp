#include "PaneEntries.h"

#include "panes/PaneModel.h"

QStringList paneEntries(const PaneModel& pane)
{
    QStringList entries;
    for (int position = 1; position <= pane.count(); ++position)
        entries.append(pane.text(position));
    return entries;
}

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
