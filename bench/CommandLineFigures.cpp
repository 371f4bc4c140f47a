#include "CommandLineFigures.h"

#include "Meters.h"
#include "testbed/LatencyShare.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct Ran
{
    double seconds = 0;
    long peakKb = 0; // the child's VmHWM
    int status = -1;
};

// The high-water mark of a running process's resident set, in kB (0 once it has ended), and of the children it
// waits for (the list runs in one). Not wait4's largest resident set: that counts the benchmark's own pages, which
// the child shares between its start and its exec.
long residentPeakKb(pid_t process)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(process));
    long peak = 0;
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                peak = line.mid(6).trimmed().split(' ').value(0).toLong();
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(process));
    if (children.open(QIODevice::ReadOnly))
        for (const QByteArray& child : children.readAll().split(' '))
            if (!child.trimmed().isEmpty())
                peak = std::max(peak, residentPeakKb(pid_t(child.trimmed().toLong())));
    return peak;
}

// Runs the program with its standard output in `output`.
Ran runProgram(const QStringList& arguments, const QString& output)
{
    std::vector<QByteArray> bytes{QByteArray(TALLYFOLD_PROGRAM)};
    for (const QString& argument : arguments)
        bytes.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& argument : bytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.toLocal8Bit().constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Ran ran;
    ran.seconds = seconds([&] {
        pid_t child = 0;
        if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            return;
        // The mark only grows: read every few milliseconds, its last reading is the run's peak, less what the
        // last moments add (the list holds nothing that grows with the tree).
        int status = 0;
        while (::waitpid(child, &status, WNOHANG) == 0) {
            ran.peakKb = std::max(ran.peakKb, residentPeakKb(child));
            ::usleep(5000);
        }
        ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    });
    posix_spawn_file_actions_destroy(&actions);
    return ran;
}

// Whether the list holds the files find finds, less the names beginning with "~", which the listing leaves out.
bool sameAsFind(const QString& listed, const QString& top, const QString& scratch)
{
    const QString found = scratch + QStringLiteral(".listed-by-find.txt");
    runShell(QStringLiteral("find '%1' -type f ! -name '~*' > '%2'").arg(top, found));
    const bool same = sameLines(listed, found, false);
    QFile::remove(found);
    return same;
}

void printFigure(const QString& name, const std::vector<double>& program, const std::vector<double>& reference,
                 double target, bool same)
{
    const double p = median(program), r = median(reference);
    std::printf("%-44s program %8.3f s  reference %8.3f s  ratio %5.2f (target <= %.1f)  lines equal find's: %s\n",
                qPrintable(name), p, r, r > 0 ? p / r : 0.0, target, same ? "yes" : "NO");
    std::fflush(stdout);
}

} // namespace

void commandLineFigures(const QString& top, const QString& scratch, int runs, bool cold,
                        const std::function<bool(const QString&)>& wanted)
{
    const QString listed = scratch + QStringLiteral("/list.txt"), found = scratch + QStringLiteral("/find-f.txt");
    const QStringList arguments{QStringLiteral("--list"), QStringLiteral("--subfolders"), top};
    const QString find = QStringLiteral("find '%1' -type f > '%2'").arg(top, found);
    long peakKb = 0;
    for (const bool emptied : {false, true}) {
        const QString name = QStringLiteral("tallyfold --list --subfolders%1").arg(emptied ? ", cold" : "");
        if (!wanted(name) || (emptied && !cold))
            continue;
        std::vector<double> program, reference;
        QString why;
        bool fine = true;
        for (int run = 0; run < runs; ++run) {
            if (emptied)
                dropCaches(&why);
            const Ran ran = runProgram(arguments, listed);
            fine = fine && ran.status == 0;
            program.push_back(ran.seconds);
            peakKb = std::max(peakKb, ran.peakKb);
            if (emptied)
                dropCaches(&why);
            reference.push_back(seconds([&] { runShell(find); }));
        }
        printFigure(name, program, reference, emptied ? 0.6 : 1.0, fine && sameAsFind(listed, top, scratch));
    }
    QFile list(listed);
    if (peakKb > 0 && list.open(QIODevice::ReadOnly) && list.size() > 0) {
        const uchar* bytes = list.map(0, list.size());
        const qsizetype lines = bytes ? countLines(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes),
                                                                           qsizetype(list.size())))
                                      : 0;
        std::printf("%-44s %.1f MB for a list of %lld files (%.1f MB written)\n", "peak memory (VmHWM) of --list",
                    peakKb / 1024.0, static_cast<long long>(lines), list.size() / 1e6);
    }
}

void commandLineShareFigure(const QString& tree, const QString& mountPoint, int latencyMs, int runs)
{
    QDir().mkpath(mountPoint);
    const QString top = mountPoint + QStringLiteral("/") + QFileInfo(tree).fileName();
    const QString listed = mountPoint + QStringLiteral(".list.txt"), found = mountPoint + QStringLiteral(".find-f.txt");
    std::vector<double> program, reference;
    bool fine = true;
    for (int run = 0; run < runs; ++run) {
        {
            LatencyShare share(QFileInfo(tree).absolutePath(), latencyMs, {}, mountPoint);
            const Ran ran = runProgram({QStringLiteral("--list"), QStringLiteral("--subfolders"), top}, listed);
            fine = fine && ran.status == 0;
            program.push_back(ran.seconds);
        }
        LatencyShare share(QFileInfo(tree).absolutePath(), latencyMs, {}, mountPoint);
        reference.push_back(seconds([&] { runShell(QStringLiteral("find '%1' -type f > '%2'").arg(top, found)); }));
    }
    LatencyShare share(QFileInfo(tree).absolutePath(), latencyMs, {}, mountPoint);
    printFigure(QStringLiteral("tallyfold --list --subfolders, share %1 ms").arg(latencyMs), program, reference, 0.3,
                fine && sameAsFind(listed, top, mountPoint));
}
