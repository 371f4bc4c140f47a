#pragma once

#include "commands/CommandTools.h"
#include "panes/PaneModel.h"
#include "platform/Clipboard.h"

// "3. Copy Results To Clipboard": the checked results as text on the clipboard, then how to paste it.
void PushButton1_Click(const CommandTools& tools, Clipboard& clipboard, const PaneModel& results);
// "3. Save Results As Text File": every result, checked or not, one line each, in a file the user names.
void PushButton7_Click(const CommandTools& tools, const PaneModel& results);

// What a save writes: the list as text, or a CSV of the files with their size and date.
enum class SaveType { Text, Csv };
// The save dialog's file types: the text list's first, then the CSV's.
inline const QStringList kSaveFileFilters = kTextFileFilters + QStringList{QStringLiteral("CSV with size and date (*.csv)")};
inline constexpr int kCsvFilterIndex = 2;
// The save as "3. Save Results As Text File" runs it, with the dialog opening at the type `offered`; the type
// the user leaves chosen decides what is written. "Export as CSV…" offers the CSV.
void saveResultsAs(const CommandTools& tools, const PaneModel& results, SaveType offered);
// Writes the pane's rows to `path` through the safe replacement (the old file stays until the new one is whole),
// reporting through `proc` at the save's own steps; true when the new file took the old one's place. The caller
// has asked about overwriting.
bool writeListFile(const CommandTools& tools, Procedure& proc, const PaneModel& pane, const QString& path, SaveType type);

// The message that follows a copy.
QString copiedMessage();
// The question before a file is replaced.
QString overwriteQuestion(const QString& path);
