#pragma once

#include "platform/FileSystem.h"

#include <QtGlobal>

#include <string>
#include <string_view>

// The text of the results as a CSV file for spreadsheets: RFC 4180 cells (a cell holding a comma, a double quote,
// CR or LF is quoted, its quotes doubled), CR LF after every record, UTF-8 behind a byte-order mark, so that a
// spreadsheet takes the names as UTF-8 and not in its locale's code page. A cell that a spreadsheet would run as a
// formula (beginning with =, +, -, @, a tab or CR) opens as text instead: it gets a single quote in front and is
// quoted. Free of any file system: the sizes and times come in as numbers.
namespace CsvText {

inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
inline constexpr std::string_view kHeader = "Path,Name,Extension,Size,Modified\r\n";

// The part of the path after its last separator: the whole path where it has none.
std::string_view nameOf(std::string_view path);
// The part of the name after its last dot; empty where the name has no dot, or only one in front (".profile").
std::string_view extensionOf(std::string_view name);

// Appends the cell's text as the file holds it, quoted and guarded as it needs.
void appendCell(std::string& out, std::string_view text);

// Modification times as local time in ISO 8601 with the offset from UTC in force then: 2026-12-11T09:30:05+01:00.
// The offset is asked once for every quarter of an hour met, as offsets change only at such a boundary; files of
// one tree mostly share a few.
class LocalTimes
{
public:
    void append(std::string& out, qint64 secondsSinceEpoch);

private:
    qint64 m_slot = INT64_MIN; // the quarter of an hour whose offset is kept
    int m_offsetSeconds = 0;
};

// Appends the record of the file at `path`: path, name, extension, size and modification time, the last two empty
// where `facts` were not found.
void appendRecord(std::string& out, std::string_view path, const FileFacts& facts, LocalTimes& times);

} // namespace CsvText
