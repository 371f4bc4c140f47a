#pragma once

#include "WindowHarness.h"

#include <QList>
#include <QString>
#include <QStringList>

// What a run of "2. Start Creating List" showed and listed, for the listing's window tests.

QStringList sorted(QStringList list);
// folder + "/" + name for each name, sorted.
QStringList linesUnder(const QString& folder, const QStringList& names);

struct Report
{
    QString description;
    int label;
};
// The error reports of the create-list command, as (description, label) read back from the boxes' texts.
QList<Report> reports(const WindowHarness& h);
// The texts of the message boxes other than error reports.
QStringList plainMessages(const WindowHarness& h);
// The names of a folder in the order the command meets them.
QStringList enumerationOrder(const QString& folder);
