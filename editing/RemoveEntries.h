#pragma once

#include "commands/Form.h"

#include <QString>
#include <QStringView>

#include <string>

// Remove every entry of the pane whose lower-cased text contains (or does not contain) the lower-cased
// text. The scan yields once per entry; the entries go only after the scan, all in one pass. Does nothing
// while another removal is scanning the same pane. Throws a Failure when the pane lost rows during the scan,
// before anything is removed.
void RemoveEntriesContaining(Yield& yield, PaneModel& pane, const QString& text);
void RemoveEntriesNotContaining(Yield& yield, PaneModel& pane, const QString& text);

// "Remove Filenames Containing X" and "Remove Filenames Not Cont. X", once for each pane: the button whose
// click runs it (PushButton<button>_Click), the pane it thins, the prompt and the removal.
struct RemovalCommand
{
    int button;
    Pane pane;
    const char* prompt;
    void (*removal)(Yield& yield, PaneModel& pane, const QString& text);
};

inline constexpr RemovalCommand kRemovalCommands[] = {
    {4, Pane::Results, "Remove entries containing: ", RemoveEntriesContaining},
    {10, Pane::Results, "Remove entries not containing: ", RemoveEntriesNotContaining},
    {13, Pane::Folders, "Remove entries containing: ", RemoveEntriesContaining},
    {14, Pane::Folders, "Remove entries not containing: ", RemoveEntriesNotContaining},
};

// Asks for the text and, with the window busy, runs the command's removal on its pane.
void runRemovalCommand(const RemovalCommand& command, const CommandTools& tools, PaneModel& pane);

// True while a removal is scanning the pane.
bool removalScanning(const PaneModel& pane);

// The removals' test, ready for one text and many entries: both sides lower-cased by Qt's full mapping
// (letters beyond ASCII included) and compared exactly, with no trimming.
class LowerCaseSearch
{
public:
    explicit LowerCaseSearch(const QString& text);
    bool foundIn(QStringView entry) const;
    // The same test on a row as the pane keeps it, without making a string of it when both are ASCII.
    bool foundIn(const RowStore::Utf8Text& entry) const;

private:
    QString m_lower;
    bool m_ascii;
    std::string m_lowerAscii;
    mutable std::string m_row; // reused for every row
};
