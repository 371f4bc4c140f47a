#include "ShareFigures.h"

#include "BenchDialogs.h"
#include "CsvFigure.h"
#include "Meters.h"
#include "testbed/LatencyShare.h"

#include "app/MainWindow.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <vector>

bool shareFigures(MainWindow& window, CommandGate& gate, BenchDialogs& dialogs, const QString& tree,
                  const QString& mountPoint, int latencyMs, int runs)
{
    QDir().mkpath(mountPoint);
    const QString top = mountPoint + QStringLiteral("/") + QFileInfo(tree).fileName();
    const QString source = QFileInfo(tree).path();
    auto click = [&](int button) { window.PushButton(button)->click(); };
    const QString out = mountPoint + QStringLiteral(".find.txt");

    // One run of `work` with the share freshly mounted: its seconds and the worst stall of the window.
    auto onShare = [&](const std::function<void()>& work, qint64* worstStall) {
        LatencyShare share(source, latencyMs, {}, mountPoint);
        if (!share.isMounted())
            return -1.0;
        StallMeter stall;
        const double taken = seconds(work);
        if (worstStall)
            *worstStall = std::max(*worstStall, stall.worstMs());
        return taken;
    };

    struct Command
    {
        const char* name;
        int button;
        QString reference;
        std::vector<double> program, find;
        qint64 worstStall = 0;
    };
    Command walk{
        "\"1. Add Folders and Subfolders\"", 6, QStringLiteral("find '%1' -type d > '%2'").arg(top, out), {}, {}};
    Command list{
        "\"2. Start Creating List\", filter *", 5, QStringLiteral("find '%1' ! -type d > '%2'").arg(top, out), {}, {}};
    const QString scratchCsv = mountPoint + QStringLiteral(".results.csv");
    Command csv{"CSV, results with size and date", 0, findCsvReference(top, out), {}, {}};
    dialogs.folder = top;
    for (int run = 0; run < runs; ++run) {
        click(9);
        walk.program.push_back(onShare([&] { click(6); }, &walk.worstStall));
        walk.find.push_back(onShare([&] { runShell(walk.reference); }, nullptr));
        // The folder pane keeps the walk's folders, on the share as mounted at the same place.
        click(8);
        window.Text1()->setText(QStringLiteral("*"));
        list.program.push_back(onShare([&] { click(5); }, &list.worstStall));
        list.find.push_back(onShare([&] { runShell(list.reference); }, nullptr));
        if (walk.program.back() < 0 || list.program.back() < 0)
            return false;
        // The results pane holds the listing's files, on the share as mounted at the same place.
        csv.program.push_back(onShare([&] { exportCsv(gate, window.form(), scratchCsv); }, &csv.worstStall));
        csv.find.push_back(onShare([&] { runShell(csv.reference); }, nullptr));
    }
    for (const Command* command : {&list, &walk, &csv}) {
        const double p = median(command->program), r = median(command->find);
        std::printf("%-44s program %8.3f s  reference %8.3f s  ratio %5.2f (target <= 0.3)  worst stall %lld ms\n",
                    qPrintable(QStringLiteral("%1, share %2 ms").arg(command->name).arg(latencyMs)), p, r,
                    r > 0 ? p / r : 0.0, static_cast<long long>(command->worstStall));
    }

    const CsvCounts counts = countCsv(scratchCsv);
    std::printf("%-44s %lld records of %d rows, %lld without a time\n", "the CSV file on the share",
                static_cast<long long>(counts.records), window.form().ResultList.count(),
                static_cast<long long>(counts.withoutTime));

    // A list file of every folder, read from the share; the results saved onto it.
    const QString listName = QStringLiteral("folders-list.txt");
    QFile listFile(source + QStringLiteral("/") + listName);
    if (listFile.open(QIODevice::WriteOnly)) {
        for (int row = 1; row <= window.form().FolderList.count(); ++row)
            listFile.write(window.form().FolderList.text(row).toUtf8() + "\r\n");
        listFile.close();
    }
    dialogs.listFiles = {mountPoint + QStringLiteral("/") + listName};
    qint64 loadStall = 0, saveStall = 0;
    const double load = onShare([&] { click(2); }, &loadStall);
    dialogs.savePath = mountPoint + QStringLiteral("/results-on-share.txt");
    const double save = onShare([&] { click(7); }, &saveStall);
    std::printf("%-44s program %8.3f s  worst stall %lld ms\n",
                qPrintable(QStringLiteral("\"Load Folders From Text File\", share %1 ms").arg(latencyMs)), load,
                static_cast<long long>(loadStall));
    std::printf("%-44s program %8.3f s  worst stall %lld ms\n",
                qPrintable(QStringLiteral("\"3. Save Results As Text File\", share %1 ms").arg(latencyMs)), save,
                static_cast<long long>(saveStall));
    const qint64 worst = std::max({walk.worstStall, list.worstStall, csv.worstStall, loadStall, saveStall});
    std::printf("%-44s %lld ms (target <= 50)\n", "worst stall on the share", static_cast<long long>(worst));
    QFile::remove(source + QStringLiteral("/results-on-share.txt"));
    std::fflush(stdout);
    return true;
}
