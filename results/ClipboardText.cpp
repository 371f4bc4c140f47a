#include "results/ClipboardText.h"

#include "platform/Failure.h"

#include <vector>

QString ListPaneSource::cellText(int row, int column) const
{
    const QString first = m_pane.text(row); // also where a vanished row fails
    return column == 1 ? first : QString();
}

std::optional<QString> CopyText(const PaneSource& pane, Yield& yield)
{
    if (pane.rowCount() == 0)
        return std::nullopt;

    std::vector<qsizetype> widths;
    const int columns = pane.columnCount();
    for (int column = 1; column <= columns; ++column) {
        qsizetype width = 0;
        const int rows = pane.rowCount();
        for (int row = 1; row <= rows; ++row) {
            yield.DoEvents();
            width = std::max(width, pane.cellText(row, column).size());
        }
        widths.push_back(width);
    }

    QString text;
    const int rows = pane.rowCount();
    for (int row = 1; row <= rows; ++row) {
        yield.DoEvents();
        if (!pane.checked(row))
            continue;
        const int rowColumns = pane.columnCount();
        for (int column = 1; column <= rowColumns; ++column) {
            yield.DoEvents();
            const QString cell = pane.cellText(row, column);
            // The column count may have grown since the widths were taken.
            if (std::size_t(column) > widths.size())
                throw Failure(QStringLiteral("Subscript out of range"));
            const qsizetype width = widths[std::size_t(column - 1)];
            text += cell;
            if (width >= cell.size())
                text += QString(width - cell.size(), QChar(u' '));
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
