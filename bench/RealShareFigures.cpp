#include "RealShareFigures.h"

#include "BenchDialogs.h"
#include "Meters.h"

#include "app/MainWindow.h"
#include "testbed/SftpShare.h"
#include "testbed/SmbShare.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using Counts = std::map<std::string, long>;

struct Figure
{
    Figure(const QString& name, double target) : name(name), target(target) {}
    QString name;
    double target;
    std::vector<double> program, reference;
    Counts programCounts, referenceCounts;
    qint64 worstStall = 0;
    QString rowsEqual; // whether the rows, or the saved file, are what they should be
};

QString countsText(const Counts& counts)
{
    std::vector<std::pair<long, std::string>> byCount;
    long total = 0;
    for (const auto& [kind, count] : counts) {
        byCount.emplace_back(count, kind);
        total += count;
    }
    std::sort(byCount.rbegin(), byCount.rend());
    QStringList parts;
    for (const auto& [count, kind] : byCount)
        parts.append(QStringLiteral("%1 %2").arg(QString::fromStdString(kind)).arg(count));
    return QStringLiteral("%1 in all: %2").arg(total).arg(parts.join(QStringLiteral(", ")));
}

void print(const QString& share, const Figure& figure)
{
    const double p = median(figure.program), r = median(figure.reference);
    std::printf("%-52s program %8.3f s  reference %8.3f s  ratio %5.2f (target <= %.1f)  worst stall %lld ms%s\n",
                qPrintable(figure.name + QStringLiteral(", ") + share), p, r, r > 0 ? p / r : 0.0, figure.target,
                static_cast<long long>(figure.worstStall), qPrintable(figure.rowsEqual));
    std::printf("    requests, program:   %s\n", qPrintable(countsText(figure.programCounts)));
    std::printf("    requests, reference: %s\n", qPrintable(countsText(figure.referenceCounts)));
    std::fflush(stdout);
}

// The lines of a file the reference wrote, without trailing separators, sorted.
QStringList sortedLines(const QString& path, bool dropTildeNames)
{
    QFile file(path);
    QStringList lines;
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QString text = QString::fromUtf8(line);
        if (!text.isEmpty() && !(dropTildeNames && QFileInfo(text).fileName().startsWith(u'~')))
            lines.append(text);
    }
    lines.sort();
    return lines;
}

QStringList sortedRows(const PaneModel& pane)
{
    QStringList rows;
    for (int row = 1; row <= pane.count(); ++row) {
        QString text = pane.text(row);
        while (text.size() > 1 && text.endsWith(u'/'))
            text.chop(1);
        rows.append(text);
    }
    rows.sort();
    return rows;
}

QString sameRows(const QStringList& program, const QStringList& reference)
{
    return QStringLiteral("  rows equal find's: ") +
           (program == reference ? QStringLiteral("yes, %1").arg(program.size())
                                 : QStringLiteral("NO, %1 against %2").arg(program.size()).arg(reference.size()));
}

bool figuresOn(RealShare& share, const QString& shareName, MainWindow& window, BenchDialogs& dialogs,
               const QString& served, const QString& treeName, const QString& scratch, int runs)
{
    auto click = [&](int button) { window.PushButton(button)->click(); };
    const QString top = share.path(treeName);
    const QString out = scratch + QStringLiteral("/reference.txt");
    qint64 worstStall = 0;
    // One run of `work` on a fresh mount: its seconds, the worst stall and the requests the server received.
    auto onShare = [&](const std::function<void()>& work, Counts& counts, qint64* stall) {
        if (!share.mount())
            return -1.0;
        share.takeCounts();
        StallMeter meter;
        const double taken = seconds(work);
        if (stall)
            *stall = std::max(*stall, meter.worstMs());
        counts = share.takeCounts();
        share.unmount();
        return taken;
    };
    auto measure = [&](Figure& figure, const std::function<void()>& prepare, int button, const QString& reference,
                       const std::function<QString()>& rows) {
        for (int run = 0; run < runs; ++run) {
            prepare();
            figure.program.push_back(onShare([&] { click(button); }, figure.programCounts, &figure.worstStall));
            figure.reference.push_back(onShare([&] { runShell(reference); }, figure.referenceCounts, nullptr));
            if (figure.program.back() < 0 || figure.reference.back() < 0)
                return false;
            figure.rowsEqual = rows();
        }
        print(shareName, figure);
        worstStall = std::max(worstStall, figure.worstStall);
        return true;
    };

    dialogs.folder = top;
    Figure walk{QStringLiteral("\"1. Add Folders and Subfolders\""), 0.3};
    if (!measure(
            walk, [&] { click(9); }, 6, QStringLiteral("find '%1' -type d > '%2'").arg(top, out),
            [&] { return sameRows(sortedRows(window.form().FolderList), sortedLines(out, false)); }))
        return false;
    // The folder pane keeps the walk's folders, on the share as mounted at the same place.
    for (const QString& extension : {QStringLiteral("*"), QStringLiteral("txt")}) {
        Figure list{QStringLiteral("\"2. Start Creating List\", filter ") + extension, 0.3};
        const QString only = extension == u'*' ? QString() : QStringLiteral(" -iname '*.%1'").arg(extension);
        if (!measure(
                list,
                [&] {
                    click(8);
                    window.Text1()->setText(extension);
                },
                5, QStringLiteral("find '%1' ! -type d%2 > '%3'").arg(top, only, out),
                [&] { return sameRows(sortedRows(window.form().ResultList), sortedLines(out, true)); }))
            return false;
    }

    // Every file of the tree saved onto the share, against a copy of the same bytes (saved on the local disk
    // first) with the same durability: the new file and the folder flushed to the server.
    click(8);
    window.Text1()->setText(QStringLiteral("*"));
    if (!share.mount())
        return false;
    click(5);
    share.unmount();
    const QString local = scratch + QStringLiteral("/results-to-copy.txt");
    dialogs.savePath = local;
    click(7);
    dialogs.savePath = share.path(QStringLiteral("results-on-share.txt"));
    Figure save{QStringLiteral("\"3. Save Results As Text File\""), 1.2};
    if (!measure(
            save, [] {}, 7,
            QStringLiteral("cp '%1' '%2' && sync '%2' '%3'")
                .arg(local, share.path(QStringLiteral("results-by-cp.txt")), share.path()),
            [&] {
                QFile saved(served + QStringLiteral("/results-on-share.txt")), copied(local);
                const bool same = saved.open(QIODevice::ReadOnly) && copied.open(QIODevice::ReadOnly) &&
                                  saved.readAll() == copied.readAll();
                return QStringLiteral("  the served file equals the local save: ") + (same ? "yes" : "NO");
            }))
        return false;
    std::printf("%-52s %lld ms (target <= 50)\n", qPrintable(QStringLiteral("worst stall, ") + shareName),
                static_cast<long long>(worstStall));
    std::fflush(stdout);
    return true;
}

} // namespace

bool realShareFigures(MainWindow& window, BenchDialogs& dialogs, const QString& tree, const QString& scratch,
                      int roundTripMs, int runs)
{
    const QString served = QFileInfo(tree).path();
    const QString treeName = QFileInfo(tree).fileName();
    bool mounted = true;
    for (const QString& kind : {QStringLiteral("SFTP"), QStringLiteral("SMB")}) {
        const QString mountPoint = scratch + QStringLiteral("/") + kind.toLower();
        std::unique_ptr<RealShare> share;
        if (kind == QStringLiteral("SFTP"))
            share = std::make_unique<SftpShare>(served, roundTripMs, mountPoint);
        else
            share = std::make_unique<SmbShare>(served, roundTripMs, mountPoint);
        const QString name = QStringLiteral("%1 %2 ms").arg(kind).arg(roundTripMs);
        if (!share->missing().isEmpty()) {
            std::printf("%s share skipped: this machine lacks%s\n", qPrintable(kind), qPrintable(share->missing()));
            continue;
        }
        if (!figuresOn(*share, name, window, dialogs, served, treeName, scratch, runs)) {
            std::printf("%s share: it could not be mounted\n", qPrintable(kind));
            mounted = false;
        }
        QFile::remove(served + QStringLiteral("/results-on-share.txt"));
        QFile::remove(served + QStringLiteral("/results-by-cp.txt"));
    }
    return mounted;
}
