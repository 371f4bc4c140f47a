#pragma once

#include "platform/Clipboard.h"
#include "platform/ListPane.h"
#include "platform/Yield.h"

#include <QString>

#include <optional>

// A list pane as the copy text reads it: rows and columns numbered from 1, a text per cell, a check mark per
// row. Reading a row that is not there throws a Failure.
class PaneSource
{
public:
    virtual ~PaneSource() = default;
    virtual int columnCount() const = 0; // the pane's column headers
    virtual int rowCount() const = 0;
    virtual QString cellText(int row, int column) const = 0;
    virtual bool checked(int row) const = 0;
    // The cell's length in UTF-16 code units, and the cell added to a text: what cellText gives, which a
    // pane may answer without making a string of the cell.
    virtual qsizetype cellLength(int row, int column) const { return cellText(row, column).size(); }
    virtual void appendCell(QString& text, int row, int column) const { text += cellText(row, column); }
};

// A ListPane holds the first column's text only; its further columns, if it has headers for them, are empty.
class ListPaneSource : public PaneSource
{
public:
    explicit ListPaneSource(const ListPane& pane) : m_pane(pane) {}
    int columnCount() const override { return m_pane.columnHeaderCount(); }
    int rowCount() const override { return m_pane.count(); }
    QString cellText(int row, int column) const override;
    bool checked(int row) const override { return m_pane.checked(row); }
    qsizetype cellLength(int row, int column) const override;
    void appendCell(QString& text, int row, int column) const override;

private:
    const ListPane& m_pane;
};

// How many times the clipboard wrappers try an operation before they give up.
constexpr int kClipboardAttempts = 1000;

// The copy text of a pane: one line per checked row, each column but the last padded to the column's width
// over all rows and followed by a tab, trailing spaces of the line removed, CR LF after every line. Nothing
// when the pane has no rows. Lets the event loop run once per cell of the widths pass, once per row of the
// text pass and once per cell of a checked row; a row that vanished meanwhile throws a Failure.
std::optional<QString> CopyText(const PaneSource& pane, Yield& yield);

// Empties the clipboard, retrying while it refuses; never fails.
void ClipboardClear(Clipboard& clipboard);
// Puts the text on the clipboard, retrying while it refuses; true when the last attempt took. Never fails.
bool ClipboardSetText(Clipboard& clipboard, const QString& text, int format);

// Hands the pane's copy text to the clipboard; leaves the clipboard alone when the pane has no rows.
// Throws a Failure when the clipboard refused the text on every attempt.
void ListViewToClipboard(const PaneSource& pane, Yield& yield, Clipboard& clipboard);
