#include "results/CsvExport.h"

#include "base/Failure.h"
#include "commands/RowLossCheck.h"
#include "results/CsvText.h"

#include <QByteArray>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

// Rows whose facts are read in one call: on a share a batch waits for its server once, and the window runs
// between batches, some thousand times for a million rows.
constexpr int kBatchRows = 256;
// Rows named to the file system ahead of the batch whose facts are read.
constexpr int kAheadRows = 4 * kBatchRows;
// Records are gathered and handed to the device in blocks of about this size (see ResultsFileWriter).
constexpr std::size_t kBlockSize = std::size_t(1) << 18;

class BlockWriter
{
public:
    explicit BlockWriter(QIODevice& device) : m_device(device) { m_block.reserve(kBlockSize + 4096); }
    std::string& block() { return m_block; }
    void flushIfFull()
    {
        if (m_block.size() >= kBlockSize)
            flush();
    }
    // Throws a Failure with the device's own words when the block cannot be written.
    void flush()
    {
        std::size_t done = 0;
        while (done < m_block.size()) {
            const qint64 written = m_device.write(m_block.data() + done, qint64(m_block.size() - done));
            if (written <= 0) {
                const QString why = m_device.errorString();
                m_block.clear();
                throw Failure(why.isEmpty() ? QStringLiteral("Device I/O error") : why);
            }
            done += std::size_t(written);
        }
        m_block.clear();
    }

private:
    QIODevice& m_device;
    std::string m_block;
};

// The paths of the rows from `first` to `last` into `paths`, each ended by a NUL. A row holding a NUL names no
// file (the kernel would read its path only up to the NUL): it is looked up as the empty path, which is never
// found, and its text is kept in `unnamed`.
void gatherPaths(const PaneModel& results, int first, int last, QByteArray& paths,
                 std::vector<std::pair<int, std::string>>& unnamed)
{
    paths.clear();
    unnamed.clear();
    for (int row = first; row <= last; ++row) {
        const RowStore::Utf8Text text = results.utf8(row);
        if (text.prefix.find('\0') != std::string_view::npos || text.name.find('\0') != std::string_view::npos)
            unnamed.emplace_back(row, std::string(text.prefix).append(text.name));
        else
            paths.append(text.prefix.data(), qsizetype(text.prefix.size()))
                .append(text.name.data(), qsizetype(text.name.size()));
        paths.append('\0');
    }
}

} // namespace

bool writeCsv(const CommandTools& tools, Procedure& proc, const PaneModel& results, SaveTarget& target)
{
    BlockWriter out(target.device());
    int count = 0;
    proc.step(150, [&] { count = results.count(); });
    // The file holds the rows as they stood when the count was read: rows appended later are not part of it,
    // and a removal meanwhile leaves no such list to write.
    const RowLossCheck rowsLost(results, QStringLiteral("Index out of bounds"));
    bool written = proc.step(152, [&] {
        out.block().append(CsvText::kByteOrderMark).append(CsvText::kHeader);
        out.flushIfFull();
    });
    CsvText::LocalTimes times;
    QByteArray paths;
    std::vector<FileFacts> facts;
    std::vector<std::pair<int, std::string>> unnamed, aheadUnnamed;
    QByteArray ahead;
    int hinted = kBatchRows; // the rows up to this one were named ahead, or are the first batch
    for (int first = 1; first <= count && written; first += kBatchRows) {
        const int last = std::min(count, first + kBatchRows - 1);
        proc.step(154, [&] { tools.yield.DoEvents(); });
        written = proc.step(156, [&] {
            rowsLost.check();
            gatherPaths(results, first, last, paths, unnamed);
            // The rows a few batches on are named to the file system now, so that on a share their lookups wait
            // for the server while this batch's do.
            for (; hinted < std::min(count, last + kAheadRows); hinted += kBatchRows) {
                gatherPaths(results, hinted + 1, std::min(count, hinted + kBatchRows), ahead, aheadUnnamed);
                tools.files.factsAhead(ahead);
            }
            tools.files.fileFacts(paths, facts);
            if (facts.size() != std::size_t(last - first + 1))
                throw Failure(QStringLiteral("Internal error"));
            const char* path = paths.constData();
            auto odd = unnamed.begin();
            for (int row = first; row <= last; ++row) {
                std::string_view text(path);
                path += text.size() + 1;
                if (odd != unnamed.end() && odd->first == row)
                    text = (odd++)->second;
                CsvText::appendRecord(out.block(), text, facts[std::size_t(row - first)], times);
                out.flushIfFull();
            }
        });
    }
    return written && proc.step(158, [&] { out.flush(); });
}
