#pragma once

#include <QStringList>

class PaneModel;

// The pane's rows as texts, first to last.
QStringList paneEntries(const PaneModel& pane);

// The lines in ascending order, for comparing what a pane holds when only the set of lines matters.
QStringList sorted(QStringList lines);

// Appends the entries to the pane as rows of one batch.
void fill(PaneModel& pane, const QStringList& entries);
