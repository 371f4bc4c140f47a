// Dragging in and out: URI lists dropped onto the folder pane, against `find`; the results dragged out, against
// what the copy command hands the clipboard.
#include "FindOracle.h"
#include "FolderOrder.h"
#include "TestTree.h"
#include "WindowHarness.h"
#include "app/PaneView.h"
#include "folders/DroppedPaths.h"

#include <QMimeData>
#include <QtTest>

namespace {

// A URI list line for each entry; "TOP" stands for the tree's top, percent-encoded.
QByteArray uriList(const QStringList& lines, const TestTree& tree)
{
    QByteArray list;
    for (const QString& line : lines)
        list += line.toUtf8().replace("TOP", QUrl::toPercentEncoding(tree.path(), "/")) + "\r\n";
    return list;
}

} // namespace

class TestDropFolders : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dropsOnTheFolderPane_data()
    {
        QTest::addColumn<QStringList>("uris");
        QTest::addColumn<bool>("whileACommandRuns");
        // What the pane should get: "A" and "B" stand for `find` over those folders in breadth-first order,
        // "one" and "two" for the lines of the list files of that name.
        QTest::addColumn<QStringList>("added");
        QTest::newRow("a folder") << QStringList{"file://TOP/A"} << false << QStringList{"A"};
        QTest::newRow("two folders, in the order dropped")
            << QStringList{"file://TOP/B", "file://TOP/A"} << false << QStringList{"B", "A"};
        QTest::newRow("localhost, a trailing slash, a comment")
            << QStringList{"# dragged from a file manager", "file://localhost/TOP/A/"} << false << QStringList{"A"};
        QTest::newRow("an encoded name") << QStringList{"file://TOP/%C3%9Cber%20uns"} << false << QStringList{"Ü"};
        QTest::newRow("list files") << QStringList{"file://TOP/one.txt", "file://TOP/two.txt"} << false
                                    << QStringList{"one", "two"};
        QTest::newRow("a folder between list files")
            << QStringList{"file://TOP/one.txt", "file://TOP/A", "file://TOP/two.txt"} << false
            << QStringList{"one", "A", "two"};
        QTest::newRow("one slash after the scheme") << QStringList{"file:TOP/A"} << false << QStringList{"A"};
        QTest::newRow("refused: a name in the working folder") << QStringList{"file:A"} << false << QStringList{};
        QTest::newRow("refused: the web") << QStringList{"https://example.com/A"} << false << QStringList{};
        QTest::newRow("refused: another host") << QStringList{"file://server/TOP/A"} << false << QStringList{};
        QTest::newRow("refused: one of two not local")
            << QStringList{"file://TOP/A", "sftp://server/home"} << false << QStringList{};
        QTest::newRow("refused: a name that is not UTF-8")
            << QStringList{"file://TOP/caf%E9"} << false << QStringList{};
        QTest::newRow("refused: nothing in the list") << QStringList{"# only a comment"} << false << QStringList{};
        QTest::newRow("refused: while a command runs") << QStringList{"file://TOP/A"} << true << QStringList{};
    }
    void dropsOnTheFolderPane()
    {
        QFETCH(QStringList, uris);
        QFETCH(bool, whileACommandRuns);
        QFETCH(QStringList, added);
        TestTree tree({"A/x/deep/", "A/y/", "B/", "Über uns/z/", "one.txt", "two.txt"});
        tree.rawFolder("caf\xe9/inner");
        tree.file(QStringLiteral("one.txt"), "/data/one/\r\n/data/two/\r\n");
        tree.file(QStringLiteral("two.txt"), "/data/three/\n");
        const QMap<QString, QStringList> expected{
            {"A", inOrderOf(findFolders(tree.path("A")), breadthFirstFolders(tree.path("A")))},
            {"B", findFolders(tree.path("B"))},
            {"Ü", inOrderOf(findFolders(tree.path("Über uns")), breadthFirstFolders(tree.path("Über uns")))},
            {"one", {"/data/one/", "/data/two/"}},
            {"two", {"/data/three/"}}};

        WindowHarness h;
        h.start();
        h.form().FolderList.append(QStringLiteral("/kept/"));
        QMimeData data;
        data.setData(QStringLiteral("text/uri-list"), uriList(uris, tree));
        QWidget* pane = h.window().ListView1()->viewport();
        const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
        QDragEnterEvent enter(QPoint(10, 10), offered, &data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(QPointF(10, 10), offered, &data, Qt::LeftButton, Qt::NoModifier);
        const auto dropIt = [&] {
            QApplication::sendEvent(pane, &enter);
            QApplication::sendEvent(pane, &drop);
        };
        if (whileACommandRuns) {
            // In a removal's yield, the pointer at its default as a command nested there leaves it.
            h.dialogs.inputNext(QStringLiteral("no such text"));
            h.yield.at(1, [&] {
                h.form().MousePointer.setValue(Pointer::Default);
                dropIt();
            });
            h.click(13);
        } else {
            dropIt();
        }
        QCoreApplication::processEvents();

        QStringList rows{"/kept/"};
        for (const QString& key : added)
            rows += expected[key];
        QCOMPARE(h.folderEntries(), rows);
        QCOMPARE(enter.isAccepted(), !added.isEmpty());
        QCOMPARE(drop.isAccepted(), !added.isEmpty());
        if (drop.isAccepted())
            QCOMPARE(drop.dropAction(), Qt::CopyAction); // the files stay where they are
    }

    // The same rules under Windows paths: drives, shares and the root's separator.
    void windowsPaths()
    {
        const auto dropped = [](const char* uri) {
            return droppedPaths(QByteArray(uri) + "\r\n", PathStyle::Windows).value_or(QStringList{"refused"});
        };
        QCOMPARE(dropped("file:///C:/Users/Ann/"), QStringList{"C:\\Users\\Ann"});
        QCOMPARE(dropped("file:///D:/"), QStringList{"D:\\"});
        QCOMPARE(dropped("file://server/share/Docs"), QStringList{"\\\\server\\share\\Docs"});
        QCOMPARE(dropped("file:///tmp/x"), QStringList{"refused"});
    }

    // Dragged out: the ticked results, else the selected one, as URIs and as the copy command's text.
    void resultsDraggedOut()
    {
        WindowHarness h;
        h.start();
        PaneModel& results = h.form().ResultList;
        for (const char* path : {"/srv/a b.txt", "/srv/\xc3\xa9t\xc3\xa9.txt", "/srv/c#1.txt"})
            results.append(QString::fromUtf8(path));
        QCoreApplication::processEvents();
        PaneView* view = h.window().ListView2();
        const auto dragged = [&] { return std::unique_ptr<QMimeData>(view->dragSource()()); };
        QVERIFY(!dragged()); // nothing ticked, nothing selected: no drag

        view->selectRow(3);
        std::unique_ptr<QMimeData> one = dragged();
        QCOMPARE(one->data("text/uri-list"), QByteArray("file:///srv/c%231.txt\r\n"));

        results.setChecked(1, true);
        results.setChecked(2, true);
        std::unique_ptr<QMimeData> ticked = dragged();
        QCOMPARE(ticked->data("text/uri-list"),
                 QByteArray("file:///srv/a%20b.txt\r\nfile:///srv/%C3%A9t%C3%A9.txt\r\n"));
        h.click(1); // the copy command, for its text
        QCOMPARE(ticked->text(), h.clipboard.text.value_or(QStringLiteral("no text")));
        QCOMPARE(h.resultEntries().size(), 3);
    }
};

QTEST_MAIN(TestDropFolders)
#include "test_drop_folders.moc"
