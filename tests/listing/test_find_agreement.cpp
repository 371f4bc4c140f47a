// The listing agrees with find: for every listed folder, the files find names at depth one, less the names
// beginning with "~", the filtered-out names, links to folders and dangling links.
#include "FindOracle.h"
#include "TestTree.h"
#include "WindowHarness.h"

#include <QLineEdit>
#include <QtTest>

namespace {

// The tree: many plain files, awkward names, links of every kind, a pipe, and subfolders that are listed
// as entries of their own.
void makeTree(TestTree& tree)
{
    tree.add({"one/",
              "one/.hidden",
              "one/.dot.TXT",
              "one/~lock.txt",
              "one/~",
              "one/with space.txt",
              "one/tab\there.txt",
              "one/new\nline.txt",
              "one/ends.",
              "one/README",
              "one/Ünïcödé.TxT",
              "one/日本語.txt",
              "one/a.b.c.txt.bak",
              "one/sub/",
              "one/sub/deep.txt",
              "one/sub/~deep.txt",
              "one/file-link.txt -> README",
              "one/folder-link -> sub",
              "one/dangling.txt -> nowhere",
              "one/chain.txt -> file-link.txt",
              "dotted.dir/",
              "dotted.dir/plain",
              "dotted.dir/x.txt",
              "empty/"});
    tree.fifo(QStringLiteral("one/pipe.txt"));
    for (int i = 0; i < 300; ++i)
        tree.file(QStringLiteral("one/many/f%1.%2").arg(i).arg(i % 3 ? QStringLiteral("txt") : QStringLiteral("log")));
}

} // namespace

class TestFindAgreement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listingEqualsFindPerFolder_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::newRow("every file") << "*";
        QTest::newRow("txt") << "txt";
        QTest::newRow("TXT") << "TXT";
        QTest::newRow("log") << "log";
    }
    void listingEqualsFindPerFolder()
    {
        QFETCH(QString, filter);
        if (QStandardPaths::findExecutable(QStringLiteral("find")).isEmpty())
            QSKIP("find is not installed");
        TestTree tree;
        makeTree(tree);
        const QStringList folders = {"one", "one/sub", "one/many", "dotted.dir", "empty", "missing"};
        WindowHarness h;
        h.start();
        h.window().Text1()->setText(filter);
        QStringList expected;
        for (int i = 0; i < folders.size(); ++i) {
            const QString folder = tree.path(folders[i]);
            h.form().FolderList.append(i % 2 ? folder + QChar(u'/') : folder); // both entry forms
            if (folders[i] != QLatin1String("missing"))
                expected += findListedFiles(folder, 1, filter);
        }
        h.click(5);
        QStringList listed = h.resultEntries();
        listed.sort();
        expected.sort();
        QCOMPARE(listed, expected);
        QVERIFY(listed.size() >= (filter == QLatin1String("log") ? 100 : 200));
        QCOMPARE(h.dialogs.messages(), QStringList{QStringLiteral("Done.")});
    }
};

QTEST_MAIN(TestFindAgreement)
#include "test_find_agreement.moc"
