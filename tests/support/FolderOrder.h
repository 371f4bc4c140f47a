#pragma once

#include <QString>
#include <QStringList>

// Every folder at and below `top`, each ending in "/", in breadth-first order: level by level, grouped by parent in the
// order of the level above, and within a parent in the file system's own order. A `top` that is a link is entered;
// links to folders below it are listed but not entered. Nothing is left out, whatever its name or attributes.
QStringList breadthFirstFolders(const QString& top);

// The entries sorted by where they stand in `order`; entries not in it go last, in their own order.
QStringList inOrderOf(const QStringList& entries, const QStringList& order);
