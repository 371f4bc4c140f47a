#pragma once

#include "base/PathStyle.h"
#include "panes/PaneModel.h"

#include <QByteArray>

#include <optional>

// What a drag out of the results pane carries: the ticked results, or the selected one when none is ticked.
struct DraggedResults
{
    QByteArray uriList; // text/uri-list: a file: URI per result, CR LF after each
    QByteArray text;    // text/plain, UTF-8: what "3. Copy Results To Clipboard" hands the clipboard for them
};

// Nothing when no result is ticked and none selected. Reads the pane as it stands and never changes it.
std::optional<DraggedResults> draggedResults(const PaneModel& results, PathStyle style = kNativePathStyle);
