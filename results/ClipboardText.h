#pragma once

#include "panes/PaneModel.h"
#include "platform/Clipboard.h"
#include "platform/Yield.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

// The copy text as it grows: bytes put one after the other into room that doubles when it runs out.
class TextBuilder
{
public:
    // Room for `bytes` in all, taken at once.
    void reserve(qsizetype bytes);
    void append(std::string_view bytes)
    {
        if (qsizetype(bytes.size()) > room())
            grow(qsizetype(bytes.size()));
        std::memcpy(m_data + m_used, bytes.data(), bytes.size());
        m_used += qsizetype(bytes.size());
    }
    void append(qsizetype count, char c);
    qsizetype size() const { return m_used; }
    char at(qsizetype i) const { return m_data[i]; }
    void truncate(qsizetype size) { m_used = std::min(m_used, size); }
    QByteArray take();

private:
    qsizetype room() const { return m_bytes.size() - m_used; }
    void grow(qsizetype more);

    QByteArray m_bytes;
    char* m_data = nullptr;
    qsizetype m_used = 0;
};

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
    // The cell's length in UTF-16 code units and about its size in UTF-8 bytes, the room it takes in the
    // text; the cell added to a UTF-8 text. What cellText gives, which a pane may answer without making a
    // string of the cell.
    struct CellSize
    {
        qsizetype units = 0;
        qsizetype bytes = 0;
    };
    virtual CellSize cellSize(int row, int column) const
    {
        const QString cell = cellText(row, column);
        return {cell.size(), cell.toUtf8().size()};
    }
    // The cell's size in bytes alone, for the last column, which is never padded.
    virtual qsizetype cellBytes(int row, int column) const { return cellSize(row, column).bytes; }
    virtual void appendCellUtf8(TextBuilder& text, int row, int column) const
    {
        const QByteArray cell = cellText(row, column).toUtf8();
        text.append(std::string_view(cell.constData(), std::size_t(cell.size())));
    }
    // Counts the rows taken out of the pane (appends leave it alone): positions read before and after a
    // change of this count may name rows of two different lists.
    virtual std::uint64_t removals() const { return 0; }
};

// A PaneModel holds the first column's text only; its further columns, if it has headers for them, are empty.
class PaneModelSource : public PaneSource
{
public:
    explicit PaneModelSource(const PaneModel& pane) : m_pane(pane) {}
    int columnCount() const override { return m_pane.columnHeaderCount(); }
    int rowCount() const override { return m_pane.count(); }
    QString cellText(int row, int column) const override;
    bool checked(int row) const override { return m_pane.checked(row); }
    CellSize cellSize(int row, int column) const override;
    qsizetype cellBytes(int row, int column) const override;
    void appendCellUtf8(TextBuilder& text, int row, int column) const override;
    std::uint64_t removals() const override { return m_pane.removals(); }

private:
    // What the copy needs to know of a prefix or a name; the last prefix's is kept, as the rows of one folder
    // share theirs. A prefix stays where it is until a removal, which ends any copy.
    struct Part
    {
        std::string_view bytes;
        bool wellFormed = true;
        qsizetype units = 0;
    };
    const Part& prefixPart(std::string_view prefix) const;

    const PaneModel& m_pane;
    mutable Part m_prefix{std::string_view(nullptr, 0), true, 0};
    mutable std::uint64_t m_prefixRemovals = 0;
};

// How many times the clipboard wrappers try an operation before they give up.
constexpr int kClipboardAttempts = 1000;

// The copy text of a pane, in UTF-8: one line per checked row, each column but the last padded to the
// column's width (in UTF-16 units) over all rows and followed by a tab, trailing spaces of the line removed,
// CR LF after every line. Nothing when the pane has no rows. Lets the event loop run once per cell of the
// widths pass, once per row of the text pass and once per cell of a checked row; a row that vanished
// meanwhile, or any removal from the pane during those yields, throws a Failure: the text is always the
// list of one moment. Rows appended meanwhile past the count already read are simply not part of it.
std::optional<QByteArray> copyText(const PaneSource& pane, Yield& yield);

// Empties the clipboard, retrying while it refuses; never fails.
void ClipboardClear(Clipboard& clipboard);
// Puts the UTF-8 text on the clipboard, retrying while it refuses; true when the last attempt took. Never
// fails.
bool ClipboardSetText(Clipboard& clipboard, const QByteArray& utf8, int format);

// Hands the pane's copy text to the clipboard; leaves the clipboard alone when the pane has no rows.
// Throws a Failure when the clipboard refused the text on every attempt.
void ListViewToClipboard(const PaneSource& pane, Yield& yield, Clipboard& clipboard);
