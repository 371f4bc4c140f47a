#pragma once

#include "commands/CommandTools.h"
#include "panes/PaneModel.h"
#include "platform/SaveTarget.h"

// Writes the results pane's rows as they stood when it started to the target as a CSV file (see CsvText): the
// byte-order mark, the header, then a record a row with the file's size and modification time as read now,
// empty for a file that is gone or cannot be looked at. The facts are read a batch of rows at a time, and the
// window runs between batches. A row removed meanwhile or a write that fails ends the writing after one report
// through `proc`. True when every byte is written and handed to the device: the caller then commits the target.
bool writeCsv(const CommandTools& tools, Procedure& proc, const PaneModel& results, SaveTarget& target);
