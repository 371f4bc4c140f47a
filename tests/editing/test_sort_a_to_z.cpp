// "Sort A to Z" over the results pane: the order, rows of equal text, check marks, the selection.
#include "PaneEntries.h"
#include "WindowHarness.h"
#include "editing/SortAToZ.h"
#include "panes/NaturalOrder.h"

#include <QAbstractItemModelTester>
#include <QtTest>

namespace {

// Each entry stored as the listing stores it: its folder as a prefix shared with the rows beside it, its name.
// A "|" marks where the prefix ends instead, and is left out.
void fillInFolders(PaneModel& pane, const QStringList& entries)
{
    for (const QString& entry : entries) {
        QByteArray utf8 = entry.toUtf8();
        const qsizetype bar = utf8.indexOf('|');
        const qsizetype slash = bar >= 0 ? bar : utf8.lastIndexOf('/') + 1;
        utf8.replace("|", "");
        const int prefix = pane.addPrefix(std::string_view(utf8.constData(), std::size_t(slash)));
        pane.appendInFolder(prefix, std::string_view(utf8.constData() + slash, std::size_t(utf8.size() - slash)));
    }
    pane.announce();
}

QList<int> tickedPositions(const PaneModel& pane)
{
    QList<int> ticked;
    for (int position = 1; position <= pane.count(); ++position)
        if (pane.checked(position))
            ticked.append(position);
    return ticked;
}

// "/d<i/100>/f<i>" for i from `last` down to 1: sorted, they ascend with i.
QStringList numberedDescending(int last)
{
    QStringList entries;
    for (int i = last; i >= 1; --i)
        entries.append(QStringLiteral("/d%1/f%2").arg(i / 100).arg(i));
    return entries;
}

} // namespace

class TestSortAToZ : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rowsTakeNaturalOrder_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QList<int>>("ticked");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QStringList>("sorted");
        QTest::addColumn<QList<int>>("tickedAfter");
        QTest::addColumn<int>("selectedAfter");
        QTest::newRow("empty pane") << QStringList{} << QList<int>{} << 0 << QStringList{} << QList<int>{} << 0;
        QTest::newRow("one row") << QStringList{"/only"} << QList<int>{1} << 1 << QStringList{"/only"} << QList<int>{1}
                                 << 1;
        QTest::newRow("numbers by value") << QStringList{"/file10", "/file2", "/file1"} << QList<int>{1} << 2
                                          << QStringList{"/file1", "/file2", "/file10"} << QList<int>{3} << 2;
        QTest::newRow("leading zeros: equal, order kept")
            << QStringList{"/a01", "/a1", "/a0", "/a001"} << QList<int>{2} << 3
            << QStringList{"/a0", "/a01", "/a1", "/a001"} << QList<int>{3} << 1;
        QTest::newRow("case ignored, order kept") << QStringList{"/B", "/a", "/b", "/A"} << QList<int>{} << 0
                                                  << QStringList{"/a", "/A", "/B", "/b"} << QList<int>{} << 0;
        QTest::newRow("letters folded down, punctuation by byte")
            << QStringList{"/aB", "/a_b", "/a-b", "/a1", "/a"} << QList<int>{} << 0
            << QStringList{"/a", "/a-b", "/a1", "/a_b", "/aB"} << QList<int>{} << 0;
        QTest::newRow("beyond ASCII after z, unfolded")
            << QStringList{"/é", "/z", "/É", "/Z", "/e"} << QList<int>{1, 3} << 1
            << QStringList{"/e", "/z", "/Z", "/É", "/é"} << QList<int>{4, 5} << 5;
        QTest::newRow("numbers past 64 bits")
            << QStringList{"/n123456789012345678901", "/n99999999999999999999"} << QList<int>{} << 0
            << QStringList{"/n99999999999999999999", "/n123456789012345678901"} << QList<int>{} << 0;
        QTest::newRow("folders by number, then names")
            << QStringList{"/d10/a", "/d2/b", "/d2/a", "/d1/z"} << QList<int>{2} << 0
            << QStringList{"/d1/z", "/d2/a", "/d2/b", "/d10/a"} << QList<int>{3} << 0;
        QTest::newRow("a folder's text against a name's")
            << QStringList{"/a/b0", "/a/b/c", "/a/b-x"} << QList<int>{} << 0 << QStringList{"/a/b-x", "/a/b/c", "/a/b0"}
            << QList<int>{} << 0;
        QTest::newRow("a number across prefix and name") << QStringList{"/v1|2", "/v1|1", "/v9"} << QList<int>{} << 0
                                                         << QStringList{"/v9", "/v11", "/v12"} << QList<int>{} << 0;
        // Enough rows to be sorted in parts and merged; the row of equal text in the first part stays first.
        QStringList many = numberedDescending(10000);
        many.prepend(QStringLiteral("/D0/F0005"));
        QStringList manySorted = numberedDescending(10000);
        std::reverse(manySorted.begin(), manySorted.end());
        manySorted.insert(4, QStringLiteral("/D0/F0005"));
        QTest::newRow("parts merged") << many << QList<int>{1, 2, 10001} << 10000 << manySorted
                                      << QList<int>{1, 5, 10001} << 2;
    }
    void rowsTakeNaturalOrder()
    {
        QFETCH(QStringList, entries);
        QFETCH(QList<int>, ticked);
        QFETCH(int, selected);
        QFETCH(QStringList, sorted);
        QFETCH(QList<int>, tickedAfter);
        QFETCH(int, selectedAfter);
        WindowHarness h;
        h.start();
        PaneModel& pane = h.form().ResultList;
        QAbstractItemModelTester tester(&pane, QAbstractItemModelTester::FailureReportingMode::QtTest);
        fillInFolders(pane, entries);
        for (int position : ticked)
            pane.setChecked(position, true);
        if (selected)
            pane.selectionModel()->select(pane.index(selected - 1, 0),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        int pointerWhileSorting = Pointer::Busy;
        if (!entries.isEmpty())
            h.yield.atPaint([&] { pointerWhileSorting = h.form().MousePointer.value(); });
        const std::uint64_t removals = pane.removals();

        SortAToZ(h.form().tools(), pane);
        QCOMPARE(paneEntries(pane), sorted);
        // The comparison the exports use puts no row after the one that follows it.
        for (qsizetype i = 1; i < sorted.size(); ++i)
            QVERIFY(NaturalOrder::compare(sorted[i - 1].toStdString(), sorted[i].toStdString()) <= 0);
        QCOMPARE(tickedPositions(pane), tickedAfter);
        QCOMPARE(pane.selectedIndex(), selectedAfter);
        QVERIFY(pane.removals() > removals); // positions held across the sort no longer name the same rows
        QCOMPARE(pane.rowCount(), int(entries.size()));
        QCOMPARE(pointerWhileSorting, Pointer::Busy);
        QCOMPARE(h.form().MousePointer.value(), Pointer::Default);
    }
};

QTEST_MAIN(TestSortAToZ)
#include "test_sort_a_to_z.moc"
