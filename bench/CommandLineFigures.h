#pragma once

#include <QString>

#include <functional>

// `tallyfold --list --subfolders TOP` run as a process against `find TOP -type f`, both writing to a file in the
// same run: warm, cold (the kernel's caches emptied before each run of either) where `cold`, and on the latency
// share answering after `latencyMs` (mounted afresh before each run) where it is over 0. Prints the medians,
// their ratio and whether the lines equal find's, and the list's peak memory (its VmHWM) for the tree.
void commandLineFigures(const QString& top, const QString& scratch, int runs, bool cold,
                        const std::function<bool(const QString&)>& wanted);
void commandLineShareFigure(const QString& tree, const QString& mountPoint, int latencyMs, int runs);
