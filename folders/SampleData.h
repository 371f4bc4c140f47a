#pragma once

#include "commands/CommandTools.h"
#include "panes/PaneModel.h"
#include "platform/Environment.h"

// "Load Sample/Example Data": the temporary folder and the programs folder, as the environment names them.
void PushButton3_Click(Reporter& reporter, Environment& environment, PaneModel& folders);

// The sample folder for an environment variable: its value exactly as held, or where the variable is
// undefined (as "TEMP" and "ProgramFiles" usually are outside Windows) the platform's own folder of that kind.
QString sampleFolder(Environment& environment, const QString& variable);
