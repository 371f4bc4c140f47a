#include "PaneLines.h"

#include "window/ListPane.h"

QStringList sorted(QStringList lines)
{
    lines.sort();
    return lines;
}

void fill(ListPane& pane, const QStringList& entries)
{
    for (const QString& entry : entries)
        pane.append(entry);
    pane.announce();
}
