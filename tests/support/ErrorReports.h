#pragma once

#include "WindowHarness.h"

#include <QList>
#include <QString>
#include <QStringList>

// Every error report a window showed, read back from the boxes' texts, whichever procedure made it.
struct ErrorReportSeen
{
    QString description;
    QString module;    // "Form1" or "Main"
    QString procedure; // e.g. "PushButton7_Click", "FileToListbox", "GetSubDirectories2016"
    int label = 0;
};
QList<ErrorReportSeen> errorReports(const WindowHarness& h);
// "procedure label" for each report, e.g. "FileToListbox 102", to compare whole sequences at once.
QStringList reportPlaces(const WindowHarness& h);
// "module.procedure label: description" for each report, e.g. "Form1.PushButton7_Click 130: Permission denied".
QStringList reportLines(const WindowHarness& h);
// The texts of the message boxes that are not error reports.
QStringList otherMessages(const WindowHarness& h);
