// Real trees with hostile names and nodes, taken down the whole road: add the top with all below it, create
// the list, save it, load the saved file back. Each gives the program's answer (listed, skipped, one report)
// and every run ends.
#include "ErrorReports.h"
#include "HostileNodes.h"
#include "TestTree.h"
#include "WindowHarness.h"
#include "base/PathStyle.h"

#include <QElapsedTimer>
#include <QtTest>

#include <climits>

#include <sys/stat.h>

namespace {

// Only to fail instead of hanging: a run still yielding after this long is closed down.
constexpr qint64 kHangBoundMs = 120000;

struct Road
{
    QStringList folders;  // relative to the top, "" for the top itself
    QStringList results;  // relative to the top, sorted
    QStringList loaded;   // the saved file's lines loaded back, relative where they can be, sorted
    QStringList reports;  // "procedure label"
    QStringList messages; // the other message boxes
    bool finished = true;
};

QString relative(const QString& top, const QString& path)
{
    const QString prefix = top + QChar(u'/');
    return path.startsWith(prefix) ? path.mid(prefix.size()) : path;
}

QStringList relativeAll(const QString& top, const QStringList& paths, bool sort)
{
    QStringList out;
    for (const QString& path : paths)
        out.append(relative(top, path));
    if (sort)
        out.sort();
    return out;
}

Road takeTheRoad(const QString& top)
{
    Road road;
    QTemporaryDir out;
    const QString saved = out.path() + QStringLiteral("/list.txt");
    WindowHarness h;
    h.start();
    QElapsedTimer timer;
    timer.start();
    h.yield.every([&] {
        if (road.finished && timer.elapsed() > kHangBoundMs) {
            road.finished = false;
            h.window().close();
        }
    });
    h.dialogs.folderNext(top);
    h.click(6);
    road.folders = relativeAll(top, h.folderEntries(), false);
    h.click(5);
    road.results = relativeAll(top, h.resultEntries(), true);
    h.dialogs.saveNext(saved);
    h.click(7);
    h.form().FolderList.clear();
    h.dialogs.openNext({saved});
    h.click(2);
    road.loaded = relativeAll(top, h.folderEntries(), true);
    road.reports = reportPlaces(h);
    road.messages = otherMessages(h) + h.takeProblems();
    return road;
}

enum Tree { ControlCharFiles, ControlCharFolders, NotUtf8, LongNames, FifoAndSocket, Links, PastTheLimit };

const QString kLong255 = QString(251, QChar(u'n')) + QStringLiteral(".txt");
const QString kFolder255 = QString(255, QChar(u'f'));
const QString kChainName(240, QChar(u'd'));
const QString kEuro255 = QString(85, QChar(u'\u20ac')); // 85 characters, 255 bytes of UTF-8

} // namespace

class TestHostileTrees : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theWholeRoadGivesTheRulesAnswer_data()
    {
        QTest::addColumn<int>("tree");
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QStringList>("results");
        QTest::addColumn<QStringList>("loaded");
        // A file name's own line breaks split its line when the saved list is read back: the file holds
        // the names as they are, unquoted.
        QTest::newRow("file names with a line feed, a tab and a CR")
            << int(ControlCharFiles) << QStringList{""} << QStringList{"a\nb.txt", "c\rr.txt", "plain.txt", "t\tab.txt"}
            << QStringList{"a", "b.txt", "c", "plain.txt", "r.txt", "t\tab.txt"};
        QTest::newRow("folder names with a line feed, a tab and a CR are skipped with all below")
            << int(ControlCharFolders) << QStringList{"", "ok/"} << QStringList{"ok/w.txt"} << QStringList{"ok/w.txt"};
        QTest::newRow("names that are not UTF-8 name nothing")
            << int(NotUtf8) << QStringList{""} << QStringList{"good.txt"} << QStringList{"good.txt"};
        QTest::newRow("255-byte names, the most a name may have")
            << int(LongNames) << QStringList{"", kFolder255 + "/", kFolder255 + "/deeper/"}
            << QStringList{kFolder255 + "/deeper/x.txt", kFolder255 + "/in.txt", kLong255, kEuro255}
            << QStringList{kFolder255 + "/deeper/x.txt", kFolder255 + "/in.txt", kLong255, kEuro255};
        QTest::newRow("a FIFO and a socket are listed like files, never opened")
            << int(FifoAndSocket) << QStringList{""} << QStringList{"f.txt", "pipe", "sock"}
            << QStringList{"f.txt", "pipe", "sock"};
        QTest::newRow("dangling links and links to ancestors")
            << int(Links) << QStringList{"", "sub/"} << QStringList{"file", "sub/f.txt"}
            << QStringList{"file", "sub/f.txt"};
        QTest::newRow("a chain past the path limit")
            << int(PastTheLimit) << QStringList{} << QStringList{kChainName + "/f.txt", "top.txt"}
            << QStringList{kChainName + "/f.txt", "top.txt"};
    }
    void theWholeRoadGivesTheRulesAnswer()
    {
        QFETCH(int, tree);
        QFETCH(QStringList, folders);
        QFETCH(QStringList, results);
        QFETCH(QStringList, loaded);
        TestTree t;
        std::unique_ptr<DeepChain> chain;
        switch (Tree(tree)) {
        case ControlCharFiles: t.add({"a\nb.txt", "t\tab.txt", "c\rr.txt", "plain.txt"}); break;
        case ControlCharFolders: t.add({"l\nf/x.txt", "t\tf/y.txt", "c\rf/z.txt", "ok/w.txt"}); break;
        case NotUtf8:
            t.rawFile("bad\xff.txt");
            t.rawFolder("dir\xfe");
            t.rawFile("dir\xfe/in.txt");
            t.file("good.txt");
            break;
        case LongNames:
            t.file(kLong255);
            t.file(kEuro255);
            t.file(kFolder255 + "/in.txt");
            t.file(kFolder255 + "/deeper/x.txt");
            break;
        case FifoAndSocket:
            t.file("f.txt");
            t.fifo("pipe");
            if (!makeSocket(t.path("sock")))
                QSKIP("no socket can be bound in a temporary folder here");
            break;
        case Links:
            t.add({"gone -> nowhere", "sub/up -> ..", "sub/f.txt", "file -> sub/f.txt", "self -> ."});
            t.link("sub/top", t.path());
            break;
        case PastTheLimit:
            t.file("top.txt");
            chain = std::make_unique<DeepChain>(t.path(), QByteArray(240, 'd'), 20, "f.txt");
            QVERIFY(chain->isValid());
            QVERIFY(QFile::encodeName(chain->deepest()).size() > 4096);
            t.file(kChainName + "/f.txt");
            break;
        }
        if (Tree(tree) == PastTheLimit) {
            // Listed: every level whose parent was entered (its path below the limit) and whose own path the
            // kernel can still look at.
            folders = QStringList{""};
            QString below;
            for (int level = 1; QFile::encodeName(chain->folder(level - 1) + "/").size() < PATH_MAX &&
                                QFile::encodeName(chain->folder(level)).size() < PATH_MAX;
                 ++level) {
                below += kChainName + "/";
                folders.append(below);
            }
            QVERIFY(folders.size() > 2);
        }

        const Road road = takeTheRoad(t.path());

        QVERIFY2(road.finished, "the road did not end within the bound");
        QCOMPARE(road.folders, folders);
        QCOMPARE(road.results, results);
        QCOMPARE(road.loaded, loaded);
        QCOMPARE(road.reports, QStringList{});
        QCOMPARE(road.messages, QStringList{QStringLiteral("Done.")});
    }

    // Beyond 4096 bytes no path can be handed to the kernel: each command reports it once, or answers as
    // for a path that is not there, and goes on.
    void pathsPastThePlatformLimit_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QStringList>("reports");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("create list over the deepest folder")
            << 5 << QStringList{"PushButton5_Click 114"} << QStringList{"Done."};
        QTest::newRow("load a list file at the deepest level") << 2 << QStringList{} << QStringList{"File not found"};
        QTest::newRow("save at the deepest level") << 7 << QStringList{"PushButton7_Click 130"} << QStringList{};
    }
    void pathsPastThePlatformLimit()
    {
        QFETCH(int, button);
        QFETCH(QStringList, reports);
        QFETCH(QStringList, messages);
        TestTree t({"near/a.txt"});
        DeepChain chain(t.path(), QByteArray(200, 'p'), 25, "list.txt");
        QVERIFY(chain.isValid());
        const QString deepest = chain.deepest();
        QVERIFY(QFile::encodeName(deepest).size() > 4096);
        WindowHarness h;
        h.start();
        if (button == 5) {
            h.form().FolderList.append(deepest + "/");
            h.form().FolderList.append(t.path("near") + "/");
        } else if (button == 2) {
            h.dialogs.openNext({deepest + "/list.txt"});
        } else {
            h.form().ResultList.append(QStringLiteral("/x"));
            h.dialogs.saveNext(deepest + "/results.txt");
        }

        h.click(button);

        QCOMPARE(reportPlaces(h), reports);
        if (!reports.isEmpty())
            QCOMPARE(errorReports(h)[0].description, QStringLiteral("File name too long"));
        QCOMPARE(otherMessages(h), messages);
        if (button == 5)
            QCOMPARE(h.resultEntries(), QStringList{t.path("near/a.txt")});
        QCOMPARE(h.form().MousePointer.value(), int(Pointer::Default));
    }

    // A socket or a dangling link where a list file or the results file is expected.
    void specialNodesAsListOrResultsFile_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<int>("button");
        QTest::addColumn<QStringList>("reports");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("a socket as list file") << "socket" << 2 << QStringList{"FileToListbox 102"} << QStringList{};
        QTest::newRow("a socket as results file, after the overwrite question")
            << "socket" << 7 << QStringList{"PushButton7_Click 130"} << QStringList{"overwrite"};
        QTest::newRow("a dangling link as list file")
            << "dangling" << 2 << QStringList{} << QStringList{"File not found"};
        QTest::newRow("a link to an ancestor folder as list file")
            << "ancestor" << 2 << QStringList{"FileToListbox 102"} << QStringList{};
    }
    void specialNodesAsListOrResultsFile()
    {
        QFETCH(QString, node);
        QFETCH(int, button);
        QFETCH(QStringList, reports);
        QFETCH(QStringList, messages);
        TestTree t({"sub/"});
        const QString path = t.path("sub/node");
        if (node == "socket" && !makeSocket(path))
            QSKIP("no socket can be bound in a temporary folder here");
        if (node == "dangling")
            t.link("sub/node", "nowhere");
        if (node == "ancestor")
            t.link("sub/node", "..");
        WindowHarness h;
        h.start();
        h.form().ResultList.append(QStringLiteral("/x"));
        if (button == 2) {
            h.dialogs.openNext({path});
        } else {
            h.dialogs.saveNext(path);
            h.dialogs.answerNext(MsgBoxAnswer::Yes);
        }

        h.click(button);

        QCOMPARE(reportPlaces(h), reports);
        QStringList shown = otherMessages(h);
        if (!shown.isEmpty() && shown[0].startsWith(QStringLiteral("Are you sure you wish to overwrite ")))
            shown[0] = QStringLiteral("overwrite");
        QCOMPARE(shown, messages);
        QCOMPARE(h.folderEntries(), QStringList{});
        struct stat info;
        QCOMPARE(::lstat(QFile::encodeName(path).constData(), &info), 0);
        QVERIFY2(node == "socket" ? S_ISSOCK(info.st_mode) : S_ISLNK(info.st_mode), "the node was replaced");
        QCOMPARE(h.form().MousePointer.value(), int(Pointer::Default));
    }
};

QTEST_MAIN(TestHostileTrees)
#include "test_hostile_trees.moc"
