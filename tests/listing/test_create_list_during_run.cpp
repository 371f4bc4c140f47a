// "2. Start Creating List" while the user does other things during its yields: a second click, a filter change,
// "Clear List", entries removed or appended, a command resetting the pointer, the window closing.
#include "ErrorReports.h"
#include "ListingChecks.h"
#include "TestTree.h"

#include <QLineEdit>
#include <QtTest>

class TestCreateListDuringRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondClickDuringARunDoesNothing()
    {
        TestTree tree({"f/a.txt", "f/b.txt", "f/c.txt"});
        WindowHarness h;
        h.start();
        h.form().FolderList.append(tree.path(QStringLiteral("f")));
        h.yield.at(3, [&] {
            const QStringList listed = h.resultEntries();
            h.click(5);
            QVERIFY(h.form().CreatingList);
            QCOMPARE(h.resultEntries(), listed); // the second click listed nothing
        });
        h.click(5);
        QCOMPARE(h.resultEntries().size(), 3);
        QCOMPARE(otherMessages(h), QStringList{QStringLiteral("Done.")});
    }

    void filterChangedMidRunAppliesFromTheNextName_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("* to txt") << "*"
                                  << "txt";
        QTest::newRow("txt to *") << "txt"
                                  << "*";
        QTest::newRow("md to txt") << "md"
                                   << "TXT";
    }
    void filterChangedMidRunAppliesFromTheNextName()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        TestTree tree({"f/1.txt", "f/2.md", "f/3.txt", "f/4.md", "f/5.txt", "f/6.md"});
        const QStringList order = enumerationOrder(tree.path(QStringLiteral("f")));
        QCOMPARE(order.size(), 6);
        WindowHarness h;
        h.start();
        h.window().Text1()->setText(before);
        h.form().FolderList.append(tree.path(QStringLiteral("f")));
        // Yield 1 is the pass's, yield k + 1 comes before name k: the change lands before the third name.
        h.yield.at(4, [&] { h.window().Text1()->setText(after); });
        h.click(5);
        auto accepts = [](const QString& filter, const QString& name) {
            return filter == QLatin1String("*") || name.endsWith(QChar(u'.') + filter.toLower());
        };
        QStringList expected;
        for (int k = 0; k < order.size(); ++k)
            if (accepts(k < 2 ? before : after, order[k]))
                expected.append(tree.path(QStringLiteral("f/") + order[k]));
        QCOMPARE(h.resultEntries(), expected);
    }

    // Clearing the results pane drops the folder prefixes that its lines share; later lines must not use
    // the pass's dropped prefix.
    void clearListMidRunEmptiesThePaneAndLaterLinesGoIntoIt()
    {
        TestTree tree({"f/1", "f/2", "f/3", "f/4", "g/5", "g/6"});
        const QStringList order = enumerationOrder(tree.path(QStringLiteral("f")));
        WindowHarness h;
        h.start();
        h.form().FolderList.append(tree.path(QStringLiteral("f")));
        h.form().FolderList.append(tree.path(QStringLiteral("g")));
        h.yield.at(4, [&] { h.click(8); }); // before the third name of f
        h.click(5);
        QStringList expected = {tree.path(QStringLiteral("f/") + order[2]), tree.path(QStringLiteral("f/") + order[3])};
        QCOMPARE(h.resultEntries().mid(0, 2), expected);
        QCOMPARE(sorted(h.resultEntries().mid(2)), linesUnder(tree.path(QStringLiteral("g")), {"5", "6"}));
        QCOMPARE(otherMessages(h), QStringList{QStringLiteral("Done.")});
    }

    void removedFolderEntriesGiveOneReportPerVanishedPass_data()
    {
        QTest::addColumn<int>("removed");
        QTest::newRow("one entry removed") << 1;
        QTest::newRow("two entries removed") << 2;
    }
    void removedFolderEntriesGiveOneReportPerVanishedPass()
    {
        QFETCH(int, removed);
        TestTree tree({"a/1.txt", "b/2.txt", "c/3.txt"});
        WindowHarness h;
        h.start();
        for (const char* folder : {"a", "b", "c"})
            h.form().FolderList.append(tree.path(QString::fromLatin1(folder)));
        h.yield.at(1, [&] { // before the first entry is read
            for (int i = 0; i < removed; ++i)
                h.form().FolderList.remove(1);
        });
        h.click(5);
        const QStringList all = {tree.path(QStringLiteral("b/2.txt")), tree.path(QStringLiteral("c/3.txt"))};
        QCOMPARE(h.resultEntries(), all.mid(removed - 1));
        QCOMPARE(reportLines(h),
                 QStringList(removed, QStringLiteral("Form1.PushButton5_Click 110: Index out of bounds")));
        QCOMPARE(otherMessages(h), QStringList{QStringLiteral("Done.")});
    }

    void entriesAppendedDuringARunAreNotListedByIt()
    {
        TestTree tree({"a/1.txt", "b/2.txt"});
        WindowHarness h;
        h.start();
        h.form().FolderList.append(tree.path(QStringLiteral("a")));
        h.yield.at(1, [&] { h.form().FolderList.append(tree.path(QStringLiteral("b"))); });
        h.click(5);
        QCOMPARE(h.resultEntries(), QStringList{tree.path(QStringLiteral("a/1.txt"))});
        QCOMPARE(h.folderEntries().size(), 2);
    }

    void pointerIsBusyDuringPassesAndDefaultAfter()
    {
        TestTree tree({"a/1", "a/2", "b/3"});
        WindowHarness h;
        h.start();
        h.form().FolderList.append(tree.path(QStringLiteral("a")));
        h.form().FolderList.append(tree.path(QStringLiteral("b")));
        QList<int> seen;
        h.yield.every([&] { seen.append(h.form().MousePointer.value()); });
        // A command ending inside the first pass resets the pointer; the next pass sets it again.
        h.yield.at(2, [&] { h.form().MousePointer.setValue(Pointer::Default); });
        h.click(5);
        QCOMPARE(seen, (QList<int>{11, 0, 0, 11, 11}));
        QCOMPARE(h.form().MousePointer.value(), int(Pointer::Default));
    }
};

QTEST_MAIN(TestCreateListDuringRun)
#include "test_create_list_during_run.moc"
