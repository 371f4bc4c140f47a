#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

// The paths find prints for these arguments, which end in -print0 or in a -printf whose records end in "\0": its
// output split at the NULs, as bytes, in find's own order. If find cannot run, or ends with an error where
// `complaintsAllowed` is false, the one entry "find failed: " and its error output stands for the answer, so that
// any comparison with it fails. A loop of links makes find complain while it still prints everything it found.
QList<QByteArray> findPaths(const QStringList& arguments, bool complaintsAllowed = false);

// The files at most `maxDepth` levels below `top` (any depth for 0) that find names and the listing takes too: no
// folders, no links to folders or to nothing, no names beginning with "~", and for a `filter` other than "*" only
// names ending in "." and the filter, in any case. In find's own order.
QStringList findListedFiles(const QString& top, int maxDepth = 0, const QString& filter = QStringLiteral("*"),
                            bool complaintsAllowed = false);

// The folders `find -H TOP -type d` prints, each with a trailing "/" (names that are not UTF-8 left out).
QStringList findFolders(const QString& top);
