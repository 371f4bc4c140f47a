#pragma once

#include "PaneEntries.h"

#include <QString>
#include <QStringList>

// What a folder holds, as the listing's window tests compare it.

// folder + "/" + name for each name, sorted.
QStringList linesUnder(const QString& folder, const QStringList& names);

// The names of a folder's files in the order the kernel lists them, which the command follows.
QStringList enumerationOrder(const QString& folder);
