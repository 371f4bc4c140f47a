#include "SortFigure.h"

#include "Meters.h"

#include "editing/SortAToZ.h"
#include "panes/NaturalOrder.h"

#include <malloc.h>

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

constexpr int kFolders = 2000;

// Paths as a listing finds them: folders in the walk's order, not the alphabet's; in each, names of a few kinds
// with numbers in them, mixed case and some letters beyond ASCII, in the order the file system hands them out.
void fillPane(PaneModel& pane, int rows, QFile* lines)
{
    static const char* const kinds[] = {"IMG_%04u.JPG",
                                        "report %u v%u.txt",
                                        "\xc3\x9c"
                                        "berblick-%u.pdf",
                                        "file%u.dat",
                                        "Notes (%u).md",
                                        "track%02u - Take %u.flac"};
    std::uint32_t random = 12345;
    std::string block;
    char name[64];
    for (int folder = 0; folder < kFolders; ++folder) {
        const int f = int((std::int64_t(folder) * 7919) % kFolders);
        const std::string prefix = "/home/user/Documents/Archive " + std::to_string(f % 7) + "/Year" +
                                   std::to_string(2000 + f % 25) + "/Folder " + std::to_string(f) + "/";
        const int id = pane.addPrefix(prefix);
        const int inFolder = rows / kFolders + (folder < rows % kFolders ? 1 : 0);
        for (int i = 0; i < inFolder; ++i) {
            random = random * 1103515245u + 12345u;
            const unsigned number = (random >> 8) % 5000;
            const int length = std::snprintf(name, sizeof name, kinds[(random >> 4) % 6], number, number % 13);
            pane.appendInFolder(id, std::string_view(name, std::size_t(length)));
            block.append(prefix).append(name, std::size_t(length)).push_back('\n');
        }
        if (lines) {
            lines->write(block.data(), qint64(block.size()));
            block.clear();
        }
    }
    pane.announce();
}

bool ascending(const PaneModel& pane)
{
    std::string before, now;
    for (int position = 1; position <= pane.count(); ++position) {
        const RowStore::Utf8Text text = pane.utf8(position);
        now.assign(text.prefix).append(text.name);
        if (position > 1 && NaturalOrder::compare(before, now) > 0)
            return false;
        before.swap(now);
    }
    return true;
}

} // namespace

SortTimes timeSortAToZ(const CommandTools& tools, PaneModel& pane, int rows, int runs, const QString& scratch)
{
    SortTimes times;
    const QString input = scratch + QStringLiteral("/sort-input.txt");
    for (int run = 0; run < runs; ++run) {
        pane.clear();
        ::malloc_trim(0);
        QFile lines(input);
        const bool writeLines = run == 0 && lines.open(QIODevice::WriteOnly | QIODevice::Truncate);
        fillPane(pane, rows, writeLines ? &lines : nullptr);
        lines.close();
        QCoreApplication::processEvents();
        const qint64 filled = residentBytes();
        times.rowsBytesPerRow = double(pane.rows().storageBytes()) / std::max(1, rows);

        resetPeakResidentBytes();
        StallMeter stall;
        times.program.push_back(seconds([&] { SortAToZ(tools, pane); }));
        times.worstStallMs = std::max(times.worstStallMs, stall.worstMs());
        times.extraBytesPerRow =
            std::max(times.extraBytesPerRow, double(peakResidentBytes() - filled) / std::max(1, rows));
        times.sorted = times.sorted && pane.count() == rows && ascending(pane);

        times.reference.push_back(
            seconds([&] { runShell(QStringLiteral("LC_ALL=C sort -f -V '%1' > /dev/null").arg(input)); }));
    }
    QFile::remove(input);
    return times;
}
