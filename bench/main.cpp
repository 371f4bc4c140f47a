// Times Tallyfold's long commands on a large tree against the reference tools in the same run, and prints one
// line per figure: the program's median, the reference's median and their ratio; the worst stall of the
// window during each command; the memory per result row and the peak; the frame times of scrolling the
// results; the longest gap between paints while one folder of a million files is read. Cold figures empty
// the kernel's caches before every run of the program and of the reference; --cold makes every figure cold.
#include "BenchDialogs.h"
#include "BenchTree.h"
#include "CommandLineFigures.h"
#include "CsvFigure.h"
#include "Meters.h"
#include "RealShareFigures.h"
#include "ShareFigures.h"
#include "SortFigure.h"

#include "app/MainWindow.h"
#include "app/PaneView.h"
#include "platform/posix/IniSettingsStorage.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/SystemEnvironment.h"
#include "platform/qt/CommandGate.h"
#include "platform/qt/QtCallWaiter.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtYield.h"

#include <malloc.h>

#include <QApplication>
#include <QClipboard>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

// The system clipboard, which another program takes over right after each offer while `refusing` is set: the
// copy's every attempt then fails as it would against a clipboard held elsewhere.
class BenchClipboard : public QtClipboard
{
public:
    using QtClipboard::QtClipboard;
    bool refusing = false;
    int offers = 0;

protected:
    void place(QClipboard& clipboard, QMimeData* offer) override
    {
        ++offers;
        QtClipboard::place(clipboard, offer);
        if (refusing)
            clipboard.setMimeData(new QMimeData);
    }
};

struct Figure
{
    QString name;
    std::vector<double> program, reference;
    double targetRatio;
    bool cold = false;
    qint64 worstStallMs = 0;
};

void print(const Figure& figure)
{
    const double p = median(figure.program), r = median(figure.reference);
    std::printf("%-44s program %8.3f s  reference %8.3f s  ratio %5.2f (target <= %.1f)  worst stall %lld ms\n",
                qPrintable(figure.name), p, r, r > 0 ? p / r : 0.0, figure.targetRatio,
                static_cast<long long>(figure.worstStallMs));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tallyfold's benchmark"));
    parser.addHelpOption();
    QCommandLineOption filesOption(QStringLiteral("files"), QStringLiteral("Files in the tree."), QStringLiteral("n"),
                                   QStringLiteral("1000000"));
    QCommandLineOption foldersOption(QStringLiteral("folders"), QStringLiteral("Folders in the tree."),
                                     QStringLiteral("n"), QStringLiteral("20000"));
    QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs of each command."), QStringLiteral("n"),
                                  QStringLiteral("3"));
    QCommandLineOption topOption(QStringLiteral("tree"), QStringLiteral("Where the tree is made or reused."),
                                 QStringLiteral("folder"), QDir::tempPath() + QStringLiteral("/tallyfold-bench/tree"));
    QCommandLineOption onlyOption(QStringLiteral("only"), QStringLiteral("Only the figures whose name holds the text."),
                                  QStringLiteral("text"));
    QCommandLineOption coldOption(QStringLiteral("cold"), QStringLiteral("Every figure with empty caches."));
    QCommandLineOption oneFolderOption(QStringLiteral("one-folder"),
                                       QStringLiteral("Files in the one-folder tree (0: no such figure)."),
                                       QStringLiteral("n"), QStringLiteral("1000000"));
    QCommandLineOption latencyOption(QStringLiteral("latency"),
                                     QStringLiteral("Only the figures on a share answering after this many ms (a "
                                                    "tree of 100,000 files in 2,000 folders unless given)."),
                                     QStringLiteral("ms"));
    QCommandLineOption realSharesOption(QStringLiteral("real-shares"),
                                        QStringLiteral("Only the figures on SFTP and SMB shares of 127.0.0.1, this "
                                                       "many ms a round trip away (the same tree as --latency)."),
                                        QStringLiteral("ms"));
    parser.addOptions({filesOption, foldersOption, runsOption, topOption, onlyOption, coldOption, oneFolderOption,
                       latencyOption, realSharesOption});
    parser.process(application);

    const bool onShare = parser.isSet(latencyOption) || parser.isSet(realSharesOption);
    TreeShape shape;
    shape.files = onShare && !parser.isSet(filesOption) ? 100000 : parser.value(filesOption).toInt();
    shape.folders = onShare && !parser.isSet(foldersOption) ? 2000 : parser.value(foldersOption).toInt();
    const int runs = std::max(3, parser.value(runsOption).toInt());
    const QString top =
        QDir(onShare && !parser.isSet(topOption) ? QDir::tempPath() + QStringLiteral("/tallyfold-bench/share/tree")
                                                 : parser.value(topOption))
            .absolutePath();
    QString error;
    std::printf("tree %s: %d files in %d folders, fan-out %d\n", qPrintable(top), shape.files, shape.folders,
                shape.fanOut);
    std::fflush(stdout);
    if (!makeTree(top, shape, &error)) {
        std::fprintf(stderr, "cannot make the tree: %s\n", qPrintable(error));
        return 1;
    }
    QTemporaryDir work;
    const QString scratch = work.path();
    QString coldWhy;
    const bool coldPossible = canDropCaches(&coldWhy);
    if (!coldPossible)
        std::printf("cold runs are not possible here (%s): the cold figures are left out\n", qPrintable(coldWhy));
    const bool everyFigureCold = parser.isSet(coldOption);

    BenchDialogs dialogs;
    CommandGate gate;
    QtYield yield(gate);
    PosixFileSystem files;
    QtCallWaiter waiter(gate); // as the program has it, for the calls into shares
    files.setWaiter(&waiter);
    BenchClipboard clipboard(&yield);
    IniSettingsStorage settings(scratch + QStringLiteral("/config"));
    SystemEnvironment environment;
    Services services{dialogs, yield, files, clipboard, settings, environment, scratch};
    MainWindow window(services, gate);
    window.setUnloadHandler([&] { yield.close(); });
    window.Form_Load();
    window.show();
    Form& form = window.form();
    PaneModel& results = form.ResultList;
    auto click = [&](int button) { window.PushButton(button)->click(); };
    if (parser.isSet(realSharesOption))
        return realShareFigures(window, dialogs, top, scratch, parser.value(realSharesOption).toInt(), runs) ? 0 : 1;
    const QString only = parser.value(onlyOption);
    auto wanted = [&](const QString& name) { return name.contains(only, Qt::CaseInsensitive); };
    if (onShare) {
        const int latency = parser.value(latencyOption).toInt();
        // --only picks the window's figures on the share as a whole, or the command line's.
        if (wanted(QStringLiteral("the window's commands on the share")) &&
            !shareFigures(window, gate, dialogs, top, scratch + QStringLiteral("/share"), latency, runs)) {
            std::fprintf(stderr, "the latency file system cannot be mounted here (root, /dev/fuse, a test build)\n");
            return 1;
        }
        if (wanted(QStringLiteral("tallyfold --list --subfolders, share")))
            commandLineShareFigure(top, scratch + QStringLiteral("/share"), latency, runs);
        return 0;
    }
    dialogs.folder = top;
    const qint64 emptyWindow = residentBytes();

    // Every folder of the tree in the folder pane, then one listing for the memory figure.
    click(6);
    const qint64 withFolders = residentBytes();
    window.Text1()->setText(QStringLiteral("*"));
    click(5);
    QCoreApplication::processEvents();
    const qint64 withResults = residentBytes();
    std::printf("%-44s %d rows, %.1f bytes per row (target <= 40); empty window %.1f MB\n", "memory per result row",
                results.count(), double(withResults - withFolders) / std::max(1, results.count()),
                double(emptyWindow) / 1e6);

    // The results must be what find lists, less names beginning with "~".
    dialogs.savePath = scratch + QStringLiteral("/results.txt");
    click(7);
    const QString findList = scratch + QStringLiteral("/find.txt");
    runShell(QStringLiteral("find '%1' ! -type d ! -name '~*' > '%2'").arg(top, findList));
    std::printf("%-44s %s\n", "results equal find's as a multiset",
                sameLines(dialogs.savePath, findList, /*crlf*/ true) ? "yes" : "NO");
    std::fflush(stdout);
    ::malloc_trim(0);         // the comparison's memory goes back to the system,
    resetPeakResidentBytes(); // so that the peak is the window's, not the comparison's
    const int mostRows = results.count();

    std::vector<Figure> figures;
    const QString saveName = QStringLiteral("\"3. Save Results As Text File\"");
    const QString copyName = QStringLiteral("copy (all ticked) vs save");
    auto measure = [&](Figure figure, const std::function<void()>& prepare, int button, const QString& reference) {
        // The copy's figure compares with the save's times: the save runs for it too.
        if (!wanted(figure.name) && !(figure.name == saveName && wanted(copyName)))
            return;
        figure.cold = figure.cold || everyFigureCold;
        if (figure.cold && !coldPossible)
            return;
        QString why;
        for (int run = 0; run < runs; ++run) {
            prepare();
            if (figure.cold)
                dropCaches(&why);
            StallMeter stall;
            figure.program.push_back(seconds([&] { click(button); }));
            figure.worstStallMs = std::max(figure.worstStallMs, stall.worstMs());
            if (figure.cold)
                dropCaches(&why);
            figure.reference.push_back(seconds([&] { runShell(reference); }));
        }
        print(figure);
        figures.push_back(figure);
    };
    const QString out = scratch + QStringLiteral("/reference.txt");

    auto everyFile = [&] {
        click(8);
        window.Text1()->setText(QStringLiteral("*"));
    };
    auto findFilesIn = [&](const QString& folder) {
        return QStringLiteral("find '%1' ! -type d > '%2'").arg(folder, out);
    };
    const QString findFiles = findFilesIn(top);
    const QString findFolders = QStringLiteral("find '%1' -type d > '%2'").arg(top, out);
    measure({QStringLiteral("\"2. Start Creating List\", filter *"), {}, {}, 0.8}, everyFile, 5, findFiles);
    measure(
        {QStringLiteral("\"2. Start Creating List\", filter txt"), {}, {}, 0.8},
        [&] {
            click(8);
            window.Text1()->setText(QStringLiteral("txt"));
        },
        5, QStringLiteral("find '%1' ! -type d -iname '*.txt' > '%2'").arg(top, out));
    measure({QStringLiteral("\"2. Start Creating List\", filter *, cold"), {}, {}, 0.6, true}, everyFile, 5, findFiles);
    measure(
        {QStringLiteral("\"1. Add Folders and Subfolders\""), {}, {}, 1.0}, [&] { click(9); }, 6, findFolders);
    measure(
        {QStringLiteral("\"1. Add Folders and Subfolders\", cold"), {}, {}, 0.6, true}, [&] { click(9); }, 6,
        findFolders);

    // The removals work on the full list; the reference greps the same list saved as a file.
    auto fullList = [&] {
        click(8);
        window.Text1()->setText(QStringLiteral("*"));
        click(5);
        dialogs.input = QStringLiteral("txt");
    };
    measure({QStringLiteral("\"Remove Filenames Containing X\", X = txt"), {}, {}, 0.8}, fullList, 4,
            QStringLiteral("grep -F -i -v txt '%1' > '%2'").arg(findList, out));
    measure({QStringLiteral("\"Remove Filenames Not Cont. X\", X = txt"), {}, {}, 0.8}, fullList, 10,
            QStringLiteral("grep -F -i txt '%1' > '%2'").arg(findList, out));

    fullList();
    // The save's reference gives the same durability as the save: the new file and its folder on the disk.
    measure(
        {saveName, {}, {}, 1.2}, [] {}, 7,
        QStringLiteral("cp '%1' '%2' && sync '%2' '%3'").arg(dialogs.savePath, out, scratch));
    const std::vector<double> saves =
        figures.empty() || figures.back().name != saveName ? std::vector<double>() : figures.back().program;
    // The same save against a copy that also keeps the old file until the new one is on the disk: to a new
    // name, flushed, then renamed over the old one. A copy onto the old file frees the old file's pages before
    // it writes, and writes into them; the save's new file cannot reuse pages that the old one still holds.
    measure(
        {QStringLiteral("save vs a copy that keeps the old file"), {}, {}, 1.2}, [] {}, 7,
        QStringLiteral("cp '%1' '%2.new' && sync '%2.new' && mv '%2.new' '%2' && sync '%3'")
            .arg(dialogs.savePath, out, scratch));

    // The results as a CSV file with each file's size and time, against find printing the same facts.
    Figure csv{QStringLiteral("CSV, results with size and date"), {}, {}, 1.0};
    const QString csvPath = scratch + QStringLiteral("/results.csv");
    for (int run = 0; run < runs && wanted(csv.name); ++run) {
        StallMeter stall;
        bool whole = false;
        csv.program.push_back(seconds([&] { whole = exportCsv(gate, form, csvPath); }));
        csv.worstStallMs = std::max(csv.worstStallMs, stall.worstMs());
        csv.reference.push_back(seconds([&] { runShell(findCsvReference(top, out)); }));
        if (!whole)
            std::printf("the CSV export of run %d failed\n", run + 1);
    }
    if (wanted(csv.name)) {
        print(csv);
        figures.push_back(csv);
        const CsvCounts counts = countCsv(csvPath);
        std::printf("%-44s %lld records of %d rows, %lld without a time, %.1f MB\n", "the CSV file",
                    static_cast<long long>(counts.records), results.count(), static_cast<long long>(counts.withoutTime),
                    QFileInfo(csvPath).size() / 1e6);
    }

    commandLineFigures(top, scratch, runs, coldPossible, wanted);

    for (int row = 1; row <= results.count(); ++row)
        results.setChecked(row, true);
    // The copy hands its text over when a client asks: timed is the command and one client that asks for the
    // whole text, as UTF-8, and reads every byte of it (counts its lines). A client in another program keeps
    // its own copy in its own memory; the program's side of the handing over is the asking.
    Figure copy{copyName, {}, saves, 1.5};
    // The peaks: the whole run's, and the program's own, which leaves out the client's copy of the text.
    qint64 allPeak = peakResidentBytes();
    qint64 ownPeak = allPeak;
    QByteArray pasted;
    qsizetype pastedLines = 0;
    for (int run = 0; run < runs && wanted(copy.name); ++run) {
        StallMeter stall;
        qint64 worstStall = 0;
        copy.program.push_back(seconds([&] {
            allPeak = std::max(allPeak, peakResidentBytes());
            resetPeakResidentBytes();
            click(1);
            ownPeak = std::max(ownPeak, peakResidentBytes());
            worstStall = stall.worstMs(); // the client's reading is not the window's
            const QMimeData* offer = QGuiApplication::clipboard()->mimeData();
            pasted = offer ? offer->data(QStringLiteral("text/plain;charset=utf-8")) : QByteArray();
            pastedLines = countLines(pasted);
        }));
        copy.worstStallMs = std::max(copy.worstStallMs, worstStall);
    }
    if (wanted(copy.name)) {
        print(copy);
        figures.push_back(copy);
        // Every row ticked, one column, no path ending in a space: the copy's text is the saved file's.
        QFile saved(dialogs.savePath);
        const bool same = saved.open(QIODevice::ReadOnly) && saved.readAll() == pasted;
        std::printf("%-44s %s, %lld lines\n", "copy text equals the saved file", same ? "yes" : "NO",
                    static_cast<long long>(pastedLines));
    }
    allPeak = std::max(allPeak, peakResidentBytes());
    pasted.clear();
    resetPeakResidentBytes();

    // A clipboard that another program takes back after every offer: the command gives up after its 1000
    // attempts, and the window must stay live throughout.
    Figure refused{QStringLiteral("copy, clipboard refuses 1000 times"), {}, {}, 0};
    int offersPerCopy = 0;
    for (int run = 0; run < runs && wanted(refused.name); ++run) {
        clipboard.refusing = true;
        clipboard.offers = 0;
        StallMeter stall;
        refused.program.push_back(seconds([&] { click(1); }));
        refused.worstStallMs = std::max(refused.worstStallMs, stall.worstMs());
        offersPerCopy = clipboard.offers;
        clipboard.refusing = false;
    }
    if (wanted(refused.name)) {
        std::printf("%-44s program %8.3f s  %d attempts  worst stall %lld ms (target <= 50)\n",
                    qPrintable(refused.name), median(refused.program), offersPerCopy,
                    static_cast<long long>(refused.worstStallMs));
        std::fflush(stdout);
        figures.push_back(refused);
    }

    const FrameTimes frames = scrollThrough(*window.ListView2());
    std::printf("%-44s %d frames, median %.1f ms, worst %.1f ms (target <= 16)\n", "scrolling the results pane",
                frames.count, frames.medianMs, frames.worstMs);

    // One folder that holds a million files: its listing does not yield, but the window must go on painting.
    const int oneFolderFiles = parser.value(oneFolderOption).toInt();
    Figure oneFolder{QStringLiteral("one folder of %1 files").arg(oneFolderFiles), {}, {}, 1.0};
    qint64 worstGap = 0;
    if (oneFolderFiles > 0 && wanted(oneFolder.name)) {
        const QString oneTop = top + QStringLiteral("-one-folder");
        if (!makeTree(oneTop, TreeShape{oneFolderFiles, 1, 1}, &error)) {
            std::fprintf(stderr, "cannot make the one-folder tree: %s\n", qPrintable(error));
            return 1;
        }
        dialogs.folder = oneTop;
        click(9);
        click(6);
        for (int run = 0; run < runs; ++run) {
            everyFile();
            StallMeter stall;
            PaintGapMeter gaps(*window.ListView2()->viewport());
            oneFolder.program.push_back(seconds([&] { click(5); }));
            worstGap = std::max(worstGap, gaps.worstMs());
            oneFolder.worstStallMs = std::max(oneFolder.worstStallMs, stall.worstMs());
            oneFolder.reference.push_back(seconds([&] { runShell(findFilesIn(oneTop)); }));
        }
        print(oneFolder);
        std::printf("%-44s %lld ms (target <= 100)\n", "worst gap between paints, that folder's read",
                    static_cast<long long>(worstGap));
        figures.push_back(oneFolder);
    }

    // A million rows, say, put in natural order: against sort -f -V, with the memory the sort takes beyond the pane.
    Figure sortFigure{QStringLiteral("\"Sort A to Z\", %1 rows").arg(shape.files), {}, {}, 1.0};
    if (wanted(sortFigure.name)) {
        const SortTimes sort = timeSortAToZ(form.tools(), results, shape.files, runs, scratch);
        sortFigure.program = sort.program;
        sortFigure.reference = sort.reference;
        sortFigure.worstStallMs = sort.worstStallMs;
        print(sortFigure);
        std::printf("%-44s %.1f bytes a row: the rows built anew %.1f, the sort %.1f (target <= 8); %s\n",
                    "extra peak memory, Sort A to Z", sort.extraBytesPerRow, sort.rowsBytesPerRow,
                    sort.extraBytesPerRow - sort.rowsBytesPerRow, sort.sorted ? "rows ascend" : "ROWS OUT OF ORDER");
        figures.push_back(sortFigure);
    }

    qint64 worst = 0;
    for (const Figure& figure : figures)
        worst = figure.name == oneFolder.name ? worst : std::max(worst, figure.worstStallMs);
    std::printf("%-44s %lld ms (target <= 50)\n", "worst stall during any command", static_cast<long long>(worst));
    const qint64 lastPeak = peakResidentBytes();
    std::printf("%-44s %.1f MB (%d result rows at most)\n", "peak memory", double(std::max(allPeak, lastPeak)) / 1e6,
                mostRows);
    std::printf("%-44s %.1f MB (without the clipboard client's copy of the text)\n", "the program's own peak memory",
                double(std::max(ownPeak, lastPeak)) / 1e6);
    return 0;
}
