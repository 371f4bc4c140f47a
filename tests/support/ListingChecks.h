#pragma once

#include "ErrorReports.h"

#include <QList>
#include <QString>
#include <QStringList>

// What a run of "2. Start Creating List" showed and listed, for the listing's window tests.

QStringList sorted(QStringList list);
// folder + "/" + name for each name, sorted.
QStringList linesUnder(const QString& folder, const QStringList& names);

// The names of a folder in the order the command meets them.
QStringList enumerationOrder(const QString& folder);
