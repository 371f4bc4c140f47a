#pragma once

#include <QString>

class BenchDialogs;
class CommandGate;
class MainWindow;

// The commands on a share whose every request is answered after `latencyMs`: the latency file system over
// `tree`, mounted afresh at `mountPoint` before every run of the program and of find, so that each starts with
// nothing cached, as a share's client after a reconnect. Prints the medians and their ratio for "2. Start
// Creating List" against `find ! -type d` and "1. Add Folders and Subfolders" against `find -type d`, and the
// same for the CSV export of the results against find printing each file's facts, and the worst stall of those
// and of loading a list file from the share and saving onto it. False where the share
// cannot be mounted.
bool shareFigures(MainWindow& window, CommandGate& gate, BenchDialogs& dialogs, const QString& tree,
                  const QString& mountPoint, int latencyMs, int runs);
