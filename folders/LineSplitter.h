#pragma once

#include <QByteArray>
#include <QList>

#include <deque>
#include <optional>
#include <string_view>

// Splits a folder list file into lines, on bytes, fed in blocks of any size. A line ends at CR, at CR LF or at
// a lone LF, and the line end is not part of the line; blanks stay, an empty line is an empty line, and a
// line end at the very end of the input brings no further line.
class LineSplitter
{
public:
    // Appends every line that the block completes.
    void feed(std::string_view block, std::deque<QByteArray>& lines);
    // At the end of the input: the last line when no line end closed it.
    std::optional<QByteArray> finish();

private:
    QByteArray m_partial;
    bool m_afterCR = false; // an LF right after a CR belongs to the CR's line end, even across blocks
};

// The lines of a whole buffer.
QList<QByteArray> splitLines(std::string_view bytes);
