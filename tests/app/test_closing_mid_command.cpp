// Closing the window while a long command waits in a yield: the command never resumes (no further lines,
// entries, messages or clipboard text), the panes stay as they were at the close, and a save leaves neither
// a results file nor a temporary file behind.
#include "ErrorReports.h"
#include "TestTree.h"
#include "WindowHarness.h"

#include <QtTest>

namespace {

struct AtClose
{
    QStringList folders;
    QStringList results;
    size_t dialogCalls = 0;
    int yields = 0;
    bool closed = false;
};

} // namespace

class TestClosingMidCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theCommandDoesNotResume_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("input"); // the removal's text; "old": the save goes over an old file
        QTest::addColumn<int>("yield");     // the yield, counted from the click, that the window closes in
        QTest::newRow("add folders, in the walk") << 6 << "" << 3;
        QTest::newRow("add folders, while copying up") << 6 << "" << 9;
        QTest::newRow("load lists, in the first file") << 2 << "" << 2;
        QTest::newRow("load lists, in the second file") << 2 << "" << 5;
        QTest::newRow("create list, at a pass") << 5 << "" << 1;
        QTest::newRow("create list, between names") << 5 << "" << 3;
        QTest::newRow("remove results containing X") << 4 << "a" << 2;
        QTest::newRow("remove results not containing X") << 10 << "a" << 2;
        QTest::newRow("remove folders containing X") << 13 << "a" << 2;
        QTest::newRow("remove folders not containing X, at the last entry") << 14 << "a" << 3;
        QTest::newRow("save, first line") << 7 << "" << 1;
        QTest::newRow("save, last line") << 7 << "" << 3;
        QTest::newRow("save over an old file, mid-list") << 7 << "old" << 2;
        QTest::newRow("copy, while measuring") << 1 << "" << 2;
        QTest::newRow("copy, while writing the text") << 1 << "" << 5;
    }
    void theCommandDoesNotResume()
    {
        QFETCH(int, button);
        QFETCH(QString, input);
        QFETCH(int, yield);
        TestTree tree({"A/B/D/", "A/C/", "A/x.txt", "A/y.txt", "A/B/z.txt"});
        tree.file(QStringLiteral("one.txt"), "/a/\r\n/b/\r\n/c/\r\n");
        tree.file(QStringLiteral("two.txt"), "/d/\r\n/e/\r\n");
        QTemporaryDir out;
        const QString saved = out.path() + QStringLiteral("/results.txt");
        WindowHarness h;
        h.start().show();
        Form& form = h.form();
        form.FolderList.append(tree.path("A") + "/");
        form.FolderList.append(tree.path("A/B") + "/");
        form.FolderList.append(tree.path("A/C") + "/");
        for (const char* line : {"/r/a.txt", "/r/b.doc", "/r/c.txt"})
            form.ResultList.append(QString::fromLatin1(line));
        form.ResultList.setChecked(1, true);
        form.ResultList.setChecked(3, true);
        h.clipboard.text = QStringLiteral("before");
        switch (button) {
        case 6: h.dialogs.folderNext(tree.path("A")); break;
        case 2: h.dialogs.openNext({tree.path("one.txt"), tree.path("two.txt")}); break;
        case 7:
            h.dialogs.saveNext(saved);
            if (input == QLatin1String("old")) {
                QFile old(saved);
                QVERIFY(old.open(QIODevice::WriteOnly) && old.write("kept\r\n") == 6);
                h.dialogs.answerNext(MsgBoxAnswer::Yes);
            }
            break;
        case 4:
        case 10:
        case 13:
        case 14: h.dialogs.inputNext(input); break;
        }
        AtClose at;
        h.yield.at(yield, [&] {
            at = {h.folderEntries(), h.resultEntries(), h.dialogs.calls().size(), h.yield.calls(), true};
            h.window().close();
        });

        h.click(button);

        QVERIFY2(at.closed, "the command ended before the chosen yield");
        QCOMPARE(h.folderEntries(), at.folders);
        QCOMPARE(h.resultEntries(), at.results);
        QCOMPARE(h.dialogs.calls().size(), at.dialogCalls);
        QCOMPARE(h.yield.calls(), at.yields);
        QCOMPARE(h.clipboard.text, std::optional<QString>(QStringLiteral("before")));
        if (input == QLatin1String("old")) { // the old file as it was, and no temporary file beside it
            QCOMPARE(namesIn(out.path()), QStringList{"results.txt"});
            QFile old(saved);
            QVERIFY(old.open(QIODevice::ReadOnly));
            QCOMPARE(old.readAll(), QByteArray("kept\r\n"));
        } else {
            QCOMPARE(namesIn(out.path()), QStringList{});
        }
        QVERIFY(!h.window().isVisible());
    }

    // A command started inside another's yield, and the window closed inside the inner one: neither resumes.
    void closingInsideANestedCommandEndsBoth()
    {
        TestTree tree({"f/1.txt", "f/2.txt", "f/3.txt"});
        QTemporaryDir out;
        const QString saved = out.path() + QStringLiteral("/results.txt");
        tree.file(QStringLiteral("old.txt"), "kept\r\n");
        WindowHarness h;
        h.start();
        h.form().FolderList.append(tree.path("f") + "/");
        h.dialogs.saveNext(saved);
        QStringList resultsAtClose;
        h.yield.at(4, [&] { h.click(7); }); // a save while the listing is before its third name
        h.yield.at(6, [&] {                 // the save's second line
            resultsAtClose = h.resultEntries();
            h.window().close();
        });

        h.click(5);

        QCOMPARE(h.resultEntries(), resultsAtClose);
        QCOMPARE(resultsAtClose.size(), 2);
        QCOMPARE(h.dialogs.messages(), QStringList{});
        QCOMPARE(namesIn(out.path()), QStringList{});
    }
};

QTEST_MAIN(TestClosingMidCommand)
#include "test_closing_mid_command.moc"
