#include "results/ClipboardText.h"

#include "platform/Failure.h"

#include <QStringDecoder>

#include <cstdint>
#include <cstring>

#include <vector>

QString ListPaneSource::cellText(int row, int column) const
{
    const QString first = m_pane.text(row); // also where a vanished row fails
    return column == 1 ? first : QString();
}

namespace {
// What one byte of UTF-8 adds to the UTF-16 length: a character's first byte one unit, the first byte of one
// beyond the basic plane two, the bytes that continue a character none.
int utf16Units(unsigned char byte)
{
    return (byte & 0xC0) == 0x80 ? 0 : (byte >= 0xF0 ? 2 : 1);
}
} // namespace

qsizetype ListPaneSource::cellLength(int row, int column) const
{
    const ListPane::Utf8Text cell = m_pane.utf8(row); // also where a vanished row fails
    if (column != 1)
        return 0;
    qsizetype length = 0;
    for (std::string_view part : {cell.prefix, cell.name}) {
        std::size_t i = 0;
        for (; i + 8 <= part.size(); i += 8) { // eight ASCII bytes at a time, as most paths are
            std::uint64_t word;
            std::memcpy(&word, part.data() + i, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                length += 8;
                continue;
            }
            for (std::size_t k = i; k < i + 8; ++k)
                length += utf16Units(static_cast<unsigned char>(part[k]));
        }
        for (; i < part.size(); ++i)
            length += utf16Units(static_cast<unsigned char>(part[i]));
    }
    return length;
}

void ListPaneSource::appendCell(QString& text, int row, int column) const
{
    const ListPane::Utf8Text cell = m_pane.utf8(row);
    if (column != 1)
        return;
    // Decoded straight into the text's own room, with no string made for the cell.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const qsizetype at = text.size();
    text.resize(at + qsizetype(cell.prefix.size() + cell.name.size()));
    QChar* end =
        decoder.appendToBuffer(text.data() + at, QByteArrayView(cell.prefix.data(), qsizetype(cell.prefix.size())));
    end = decoder.appendToBuffer(end, QByteArrayView(cell.name.data(), qsizetype(cell.name.size())));
    text.truncate(end - text.constData());
}

std::optional<QString> CopyText(const PaneSource& pane, Yield& yield)
{
    if (pane.rowCount() == 0)
        return std::nullopt;

    std::vector<qsizetype> widths;
    qsizetype allCells = 0; // the text's length at most: cells padded but the last, a tab or line end each
    const int columns = pane.columnCount();
    for (int column = 1; column <= columns; ++column) {
        qsizetype width = 0, lengths = 0;
        const int rows = pane.rowCount();
        for (int row = 1; row <= rows; ++row) {
            yield.DoEvents();
            const qsizetype length = pane.cellLength(row, column);
            width = std::max(width, length);
            lengths += length;
        }
        widths.push_back(width);
        allCells += (column < columns ? width * rows : lengths) + 2 * qsizetype(rows);
    }

    // One allocation for the whole text instead of one copy per doubling.
    QString text;
    text.reserve(allCells);
    const int rows = pane.rowCount();
    for (int row = 1; row <= rows; ++row) {
        yield.DoEvents();
        if (!pane.checked(row))
            continue;
        const int rowColumns = pane.columnCount();
        for (int column = 1; column <= rowColumns; ++column) {
            yield.DoEvents();
            const qsizetype length = pane.cellLength(row, column);
            // The column count may have grown since the widths were taken.
            if (std::size_t(column) > widths.size())
                throw Failure(QStringLiteral("Subscript out of range"));
            const qsizetype width = widths[std::size_t(column - 1)];
            pane.appendCell(text, row, column);
            // The last column's padding would only be trimmed again with the line's trailing spaces.
            if (width > length && column < rowColumns)
                text.append(QString(width - length, QChar(u' ')));
            text += QChar(u'\t');
        }
        // The tab after the last column goes; a pane without columns has no tab to take.
        if (text.isEmpty())
            throw Failure(QStringLiteral("Invalid procedure call or argument"));
        text.chop(1);
        qsizetype end = text.size();
        while (end > 0 && text.at(end - 1) == QChar(u' '))
            --end;
        text.truncate(end);
        text += QStringLiteral("\r\n");
    }
    return text;
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

bool ClipboardSetText(Clipboard& clipboard, const QString& text, int format)
{
    return retried([&] { clipboard.SetText(text, format); });
}

void ListViewToClipboard(const PaneSource& pane, Yield& yield, Clipboard& clipboard)
{
    const std::optional<QString> text = CopyText(pane, yield);
    if (!text)
        return;
    ClipboardClear(clipboard);
    if (!ClipboardSetText(clipboard, *text, 0))
        throw Failure(QStringLiteral("The clipboard could not be opened."));
}
