#include "results/ClipboardText.h"

#include "base/Failure.h"
#include "base/LargeBuffers.h"
#include "base/Utf8.h"
#include "commands/RowLossCheck.h"

#include <cstdint>
#include <cstring>

#include <vector>

QString PaneModelSource::cellText(int row, int column) const
{
    const QString first = m_pane.text(row); // also where a vanished row fails
    return column == 1 ? first : QString();
}

void TextBuilder::reserve(qsizetype bytes)
{
    if (bytes > m_bytes.size()) {
        m_bytes.resize(bytes);
        m_data = m_bytes.data();
    }
}

void TextBuilder::grow(qsizetype more)
{
    reserve(std::max(m_used + more, 2 * m_bytes.size()));
}

void TextBuilder::append(qsizetype count, char c)
{
    if (count > room())
        grow(count);
    std::memset(m_data + m_used, c, std::size_t(count));
    m_used += count;
}

QByteArray TextBuilder::take()
{
    m_bytes.truncate(m_used);
    m_data = nullptr;
    m_used = 0;
    return std::move(m_bytes);
}

const PaneModelSource::Part& PaneModelSource::prefixPart(std::string_view prefix) const
{
    if (prefix.data() != m_prefix.bytes.data() || prefix.size() != m_prefix.bytes.size() ||
        m_pane.removals() != m_prefixRemovals) {
        m_prefix = Part{prefix, Utf8::isValid(prefix), Utf8::utf16Length(prefix)};
        m_prefixRemovals = m_pane.removals();
    }
    return m_prefix;
}

PaneSource::CellSize PaneModelSource::cellSize(int row, int column) const
{
    const RowStore::Utf8Text cell = m_pane.utf8(row); // also where a vanished row fails
    if (column != 1)
        return {};
    // A byte that is not UTF-8 takes three as the replacement character: the text grows then.
    return {prefixPart(cell.prefix).units + Utf8::utf16Length(cell.name),
            qsizetype(cell.prefix.size() + cell.name.size())};
}

qsizetype PaneModelSource::cellBytes(int row, int column) const
{
    const RowStore::Utf8Text cell = m_pane.utf8(row); // also where a vanished row fails
    return column == 1 ? qsizetype(cell.prefix.size() + cell.name.size()) : 0;
}

void PaneModelSource::appendCellUtf8(TextBuilder& text, int row, int column) const
{
    const RowStore::Utf8Text cell = m_pane.utf8(row); // also where a vanished row fails
    if (column != 1)
        return;
    const auto append = [&text](std::string_view part, bool wellFormed) {
        if (wellFormed) {
            text.append(part);
        } else { // bytes that are not UTF-8 become the replacement character, as on the screen
            const QByteArray replaced = QString::fromUtf8(part.data(), qsizetype(part.size())).toUtf8();
            text.append(std::string_view(replaced.constData(), std::size_t(replaced.size())));
        }
    };
    append(cell.prefix, prefixPart(cell.prefix).wellFormed);
    append(cell.name, Utf8::isValid(cell.name));
}

std::optional<QByteArray> copyText(const PaneSource& pane, Yield& yield)
{
    // Every yield may run a command that changes the pane. A row that is gone fails at its read; a removal
    // that left the position filled (rows taken out, others appended) fails at the check after the read.
    const RowLossCheck rowsLost(pane, QStringLiteral("The list was changed during the copy; nothing was copied"));
    if (pane.rowCount() == 0)
        return std::nullopt;

    std::vector<qsizetype> widths;
    qsizetype allBytes = 0; // the text's size at most: cells padded but the last, a tab or line end each
    const int columns = pane.columnCount();
    for (int column = 1; column <= columns; ++column) {
        qsizetype width = 0, bytes = 0, lengths = 0;
        const int rows = pane.rowCount();
        // The last column's width is never used: a column count grown since fails the copy at its new column.
        const bool padded = column < columns;
        for (int row = 1; row <= rows; ++row) {
            yield.DoEvents();
            const PaneSource::CellSize size =
                padded ? pane.cellSize(row, column) : PaneSource::CellSize{0, pane.cellBytes(row, column)};
            rowsLost.check();
            width = std::max(width, size.units);
            lengths += size.units;
            bytes += size.bytes;
        }
        widths.push_back(width);
        // Padding is counted in units, one byte each; a padded cell takes its bytes plus its missing units.
        allBytes += (column < columns ? bytes + width * rows - lengths : bytes) + 2 * qsizetype(rows);
    }

    // One allocation for the whole text instead of one copy per doubling.
    TextBuilder text;
    text.reserve(allBytes);
    const int rows = pane.rowCount();
    for (int row = 1; row <= rows; ++row) {
        yield.DoEvents();
        const bool checked = pane.checked(row);
        rowsLost.check();
        if (!checked)
            continue;
        const int rowColumns = pane.columnCount();
        for (int column = 1; column <= rowColumns; ++column) {
            yield.DoEvents();
            // The last column's padding would only be trimmed again with the line's trailing spaces: its
            // length is not needed.
            const bool padded = column < rowColumns;
            const qsizetype length = padded ? pane.cellSize(row, column).units : 0;
            pane.appendCellUtf8(text, row, column);
            rowsLost.check(); // the cell just added, if any, goes with the text
            // The column count may have grown since the widths were taken.
            if (std::size_t(column) > widths.size())
                throw Failure(QStringLiteral("Subscript out of range"));
            const qsizetype width = widths[std::size_t(column - 1)];
            if (padded && width > length)
                text.append(width - length, ' ');
            text.append("\t");
        }
        // The tab after the last column goes; a pane without columns has no tab to take.
        if (text.size() == 0)
            throw Failure(QStringLiteral("Invalid procedure call or argument"));
        qsizetype end = text.size() - 1;
        while (end > 0 && text.at(end - 1) == ' ')
            --end;
        text.truncate(end);
        text.append("\r\n");
    }
    // Never null: no checked row gives the empty text, not none.
    QByteArray taken = text.take();
    return taken.isNull() ? QByteArray("") : taken;
}

namespace {
// One attempt after another until one takes or the attempts run out; each attempt stands on its own.
template <class Operation> bool retried(Operation&& operation)
{
    bool took = false;
    for (int attempt = 0; attempt < kClipboardAttempts && !took; ++attempt) {
        try {
            operation();
            took = true;
        } catch (const std::exception&) {
            // Another program may hold the clipboard open: try again at once.
        }
    }
    return took;
}
} // namespace

void ClipboardClear(Clipboard& clipboard)
{
    retried([&] { clipboard.Clear(); });
}

bool ClipboardSetText(Clipboard& clipboard, const QByteArray& utf8, int format)
{
    return retried([&] { clipboard.SetText(utf8, format); });
}

void ListViewToClipboard(const PaneSource& pane, Yield& yield, Clipboard& clipboard)
{
    std::optional<QByteArray> text = copyText(pane, yield);
    if (!text)
        return;
    ClipboardClear(clipboard);
    const bool placed = ClipboardSetText(clipboard, *text, 0);
    // A text the clipboard did not keep is freed here, with the window painting meanwhile.
    releaseInSlices(std::move(*text), [&yield] { yield.paintOnly(); });
    if (!placed)
        throw Failure(QStringLiteral("The clipboard could not be opened."));
}
