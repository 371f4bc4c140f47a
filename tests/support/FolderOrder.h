#pragma once

#include <QString>
#include <QStringList>

// Every folder at and below `top`, each ending in "/", in breadth-first order: level by level, grouped by parent in the
// order of the level above, and within a parent in the file system's own order. A `top` that is a link is entered;
// links to folders below it are listed but not entered. Nothing is left out, whatever its name or attributes.
QStringList breadthFirstFolders(const QString& top);

// The entries sorted by where they stand in `order`; entries not in it go last, in their own order.
QStringList inOrderOf(const QStringList& entries, const QStringList& order);

// The folders `find -H TOP -type d` prints, each with a trailing "/" (names that are not UTF-8 left out).
QStringList findFolders(const QString& top);

// The files below `top` that `find` lists and the listing would too: no folders, no links to folders or to
// nothing, no names beginning with "~". Sorted.
QStringList findListedFiles(const QString& top);
