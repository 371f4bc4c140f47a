#pragma once

#include "commands/CommandTools.h"
#include "panes/PaneModel.h"
#include "platform/Clipboard.h"

// "3. Copy Results To Clipboard": the checked results as text on the clipboard, then how to paste it.
void PushButton1_Click(const CommandTools& tools, Clipboard& clipboard, const PaneModel& results);
// "3. Save Results As Text File": every result, checked or not, one line each, in a file the user names.
void PushButton7_Click(const CommandTools& tools, const PaneModel& results);

// The message that follows a copy.
QString copiedMessage();
// The question before a file is replaced.
QString overwriteQuestion(const QString& path);
