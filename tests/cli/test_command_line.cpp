// The command line: `tallyfold --list` prints what the window saves, and find's files; its exit status and error
// lines; folders given to the window are walked as dropped ones.
#include "FindOracle.h"
#include "FolderOrder.h"
#include "TestTree.h"
#include "WindowHarness.h"

#include <QLineEdit>
#include <QProcess>
#include <QtTest>

namespace {

struct Run
{
    int status = -1;
    QByteArray out, err;
};

// The program, or a shell line with it as $0 and the tree as $1; as the ordinary user 65534 if asked.
Run run(const QStringList& arguments, bool asUser = false)
{
    QStringList command{QStringLiteral(TALLYFOLD)};
    command += arguments;
    if (asUser)
        command = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                              QStringLiteral("--clear-groups")} + command;
    QProcess process;
    process.start(command.takeFirst(), command);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

QStringList lines(const QByteArray& bytes, const char* end)
{
    QStringList all = QString::fromUtf8(bytes).split(QString::fromLatin1(end));
    if (!all.isEmpty() && all.last().isEmpty())
        all.removeLast();
    return all;
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

    TestTree m_tree;

private Q_SLOTS:
    void initTestCase()
    {
        for (const char* file : {"top.txt", "a/x.TXT", "a/~lock.txt", "a/b/deep.log", "a/b/no extension",
                                 "c/caf\u00e9 \u65e5.txt", "c/.hidden.txt", "c/two words.txt.bak"})
            m_tree.file(QString::fromUtf8(file));
        m_tree.folder(QStringLiteral("empty"));
    }

    void theListIsWhatTheWindowSavesAndWhatFindFinds_data()
    {
        QTest::addColumn<bool>("subfolders");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("folders"); // relative to the tree; "" is the tree
        QTest::addColumn<bool>("csv");
        QTest::newRow("walked, every file") << true << "*" << QStringList{""} << false;
        QTest::newRow("walked, one extension in any case") << true << "txt" << QStringList{""} << false;
        QTest::newRow("as list lines, one level each") << false << "*" << QStringList{"a", "c/", "empty"} << false;
        QTest::newRow("walked, as CSV") << true << "*" << QStringList{""} << true;
    }
    void theListIsWhatTheWindowSavesAndWhatFindFinds()
    {
        QFETCH(bool, subfolders);
        QFETCH(QString, filter);
        QFETCH(QStringList, folders);
        QFETCH(bool, csv);
        QStringList paths;
        for (const QString& folder : folders)
            paths.append(m_tree.path(folder));
        if (folders == QStringList{""})
            paths = QStringList{m_tree.path()};

        WindowHarness h;
        MainWindow& window = h.start();
        if (subfolders) {
            h.dialogs.folderNext(paths.front());
            h.click(6);
        } else {
            for (const QString& path : paths)
                window.form().FolderList.append(path);
        }
        window.Text1()->setText(filter);
        h.click(5);
        const QString saved = m_tree.path(QStringLiteral("../saved.txt"));
        h.dialogs.saveNext(saved, csv ? 2 : 0); // the dialog's CSV type
        h.click(7);
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray windowBytes = file.readAll();
        file.remove();

        QStringList arguments{QStringLiteral("--list"), QStringLiteral("--crlf"), QStringLiteral("--filter=") + filter};
        if (subfolders)
            arguments.append(QStringLiteral("--subfolders"));
        const Run listed = run(arguments + (csv ? QStringList{QStringLiteral("--csv")} : QStringList{}) + paths);
        QCOMPARE(listed.err, QByteArray());
        QCOMPARE(listed.status, 0);
        QCOMPARE(listed.out, windowBytes);
        if (csv)
            return;

        QStringList found;
        for (const QString& path : paths)
            found += findListedFiles(path, subfolders ? 0 : 1, filter);
        QStringList printed = lines(run(arguments.mid(2) + QStringList{QStringLiteral("--list")} + paths).out, "\n");
        QVERIFY(!printed.isEmpty());
        found.sort();
        printed.sort();
        QCOMPARE(printed, found);
    }

    void exitStatusAndErrorLines_data()
    {
        QTest::addColumn<QStringList>("arguments"); // %1 stands for the tree
        QTest::addColumn<bool>("asUser");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("errors");
        QTest::newRow("a missing folder, the others listed")
            << QStringList{"--list", "%1/missing", "%1/empty"} << false << 1
            << "tallyfold: %1/missing: No such file or directory\n";
        QTest::newRow("a file given as a folder") << QStringList{"--list", "%1/top.txt"} << false << 1
                                                 << "tallyfold: %1/top.txt: Not a directory\n";
        QTest::newRow("a folder denied to the user") << QStringList{"--list", "%1/denied"} << true << 1
                                                    << "tallyfold: %1/denied: Permission denied\n";
        QTest::newRow("a denied folder to walk") << QStringList{"--list", "--subfolders", "%1/denied"} << true << 1
                                                << "tallyfold: %1/denied: Permission denied\n";
        QTest::newRow("an unknown option")
            << QStringList{"--list", "--bogus", "%1"} << false << 2
            << "tallyfold: unrecognized option '--bogus'\nTry 'tallyfold --help' for more information.\n";
        QTest::newRow("no folder") << QStringList{"--list"} << false << 2
                                   << "tallyfold: --list needs at least one folder\nTry 'tallyfold --help' for more "
                                      "information.\n";
        QTest::newRow("a list option without --list")
            << QStringList{"--csv", "%1"} << false << 2
            << "tallyfold: the options of a list need --list\nTry 'tallyfold --help' for more information.\n";
    }
    void exitStatusAndErrorLines()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, asUser);
        QFETCH(int, status);
        QFETCH(QString, errors);
        TestTree tree;
        tree.file(QStringLiteral("top.txt"));
        tree.file(QStringLiteral("denied/secret.txt"));
        tree.folder(QStringLiteral("empty"));
        QVERIFY(QFile::setPermissions(tree.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                       QFile::ReadOther | QFile::ExeOther));
        QVERIFY(QFile::setPermissions(tree.path(QStringLiteral("denied")), QFile::ReadOwner | QFile::ExeOwner));
        for (QString& argument : arguments)
            argument = argument.arg(tree.path());
        const Run listed = run(arguments, asUser);
        QCOMPARE(QString::fromUtf8(listed.err), errors.arg(tree.path()));
        QCOMPARE(listed.status, status);
        QCOMPARE(listed.out, QByteArray());
    }

    // A reader that stops reading (`| head`) ends the list quietly, as find's.
    void aClosedPipeEndsTheListWithZero()
    {
        TestTree tree;
        for (int i = 0; i < 3000; ++i)
            tree.file(QStringLiteral("many/a file name long enough to fill a pipe %1.txt").arg(i));
        QProcess shell;
        shell.start(QStringLiteral("bash"), {QStringLiteral("-c"),
                                             QStringLiteral("\"$0\" --list --subfolders \"$1\" | head -c 100 >/dev/null; "
                                                            "echo ${PIPESTATUS[0]}"),
                                             QStringLiteral(TALLYFOLD), tree.path()});
        QVERIFY(shell.waitForFinished(60000));
        QCOMPARE(shell.readAllStandardOutput(), QByteArray("0\n"));
        QCOMPARE(shell.readAllStandardError(), QByteArray());
    }

    // Folders given to the window are added with their subfolders, list files loaded, in the order given.
    void theWindowTakesFoldersAndListFilesAsDropped()
    {
        const QString list = m_tree.path(QStringLiteral("../folders.list"));
        QFile file(list);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("/from/the list\r\n").toUtf8());
        file.close();
        WindowHarness h;
        MainWindow& window = h.start();
        QDir::setCurrent(m_tree.path());
        window.openWith({QStringLiteral("a/"), list});
        QStringList expected = breadthFirstFolders(m_tree.path(QStringLiteral("a")));
        expected.append(QStringLiteral("/from/the list"));
        QCOMPARE(h.folderEntries(), expected);
        file.remove();
    }
};

QTEST_MAIN(TestCommandLine)
#include "test_command_line.moc"
