#pragma once

#include <QString>

class CommandGate;
struct Form;

// Writes the results pane to `path` as a CSV file as the program does: a command started through the gate that
// opens the save, writes through writeCsv and commits. True where the file was written whole.
bool exportCsv(CommandGate& gate, Form& form, const QString& path);
// The reference: find printing path, name, size and local modification time of every file below `top` to `out`.
QString findCsvReference(const QString& top, const QString& out);
