#pragma once

#include <QString>

class BenchDialogs;
class MainWindow;

// The commands on real network shares of `tree`'s folder, served on 127.0.0.1 behind a relay that holds each
// direction half of `roundTripMs`: SFTP (sshd, mounted by sshfs) and SMB (smbd, mounted by smbnetfs). Each run
// of the program and of its reference starts on a fresh mount, nothing cached; they alternate. Prints, for
// each share, "1. Add Folders and Subfolders" against `find -type d`, "2. Start Creating List" with `*` and
// with `txt` against `find ! -type d [-iname '*.txt']`, and the save against `cp` and `sync` onto the share:
// medians, ratio, worst stall, whether the rows equal find's, and the requests the server received for each
// (the last run's, by kind). A share this machine cannot serve is skipped with the reason. `scratch` is a
// folder of the benchmark's own. False where a share could not be mounted.
bool realShareFigures(MainWindow& window, BenchDialogs& dialogs, const QString& tree, const QString& scratch,
                      int roundTripMs, int runs);
