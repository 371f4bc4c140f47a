#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

// The paths find prints for these arguments, which end in -print0 or in a -printf whose records end in "\0": its
// output split at the NULs, as bytes, in find's own order. If find cannot run, or ends with an error where
// `complaintsAllowed` is false, the one entry "find failed: " and its error output stands for the answer, so that
// any comparison with it fails. A loop of links makes find complain while it still prints everything it found.
QList<QByteArray> findPaths(const QStringList& arguments, bool complaintsAllowed = false);
