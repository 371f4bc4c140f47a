#pragma once

#include <QString>

class CommandGate;
struct Form;

// Writes the results pane to `path` as a CSV file as the program does: a command started through the gate that
// opens the save, writes through writeCsv and commits. True where the file was written whole.
bool exportCsv(CommandGate& gate, Form& form, const QString& path);
// The reference: find printing path, name, size and local modification time of every file below `top` to `out`.
QString findCsvReference(const QString& top, const QString& out);
// The records of the CSV file at `path` and how many of them have no modification time: a file that was gone or
// could not be looked at (the bench tree's names hold no CR LF, so a record is a line).
struct CsvCounts
{
    qsizetype records = 0;
    qsizetype withoutTime = 0;
};
CsvCounts countCsv(const QString& path);
