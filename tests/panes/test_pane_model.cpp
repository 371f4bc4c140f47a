// The list pane: 1-based rows in insertion order, check marks, removal, batched announcements to the views.
#include "PaneEntries.h"
#include "base/Failure.h"
#include "panes/PaneModel.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

namespace {
// What the texts take as UTF-8, counted apart from the pane.
std::uint64_t utf8Size(const QStringList& texts)
{
    std::uint64_t bytes = 0;
    for (const QString& text : texts)
        bytes += std::uint64_t(text.toUtf8().size());
    return bytes;
}
} // namespace

class TestPaneModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void appendsKeepInsertionOrder()
    {
        PaneModel pane(true);
        QAbstractItemModelTester tester(&pane, QAbstractItemModelTester::FailureReportingMode::QtTest);
        pane.addColumn(QStringLiteral("Results (List of Files)"));
        const QStringList texts = {
            QStringLiteral("/b"),        QStringLiteral("/a"),         QString(),
            QStringLiteral("/b"),        QStringLiteral("  blanks  "), QStringLiteral("Größe/日本/🙂"),
            QStringLiteral("line\nfeed")};
        for (const QString& text : texts)
            pane.append(text);
        QCOMPARE(pane.count(), texts.size());
        QCOMPARE(paneEntries(pane), texts);
        QVERIFY(!pane.checked(pane.count()));
    }

    void removingRenumbersTheRowsAfter()
    {
        PaneModel pane(false);
        QAbstractItemModelTester tester(&pane, QAbstractItemModelTester::FailureReportingMode::QtTest);
        pane.addColumn(QStringLiteral("h"));
        for (const char* text : {"one", "two", "three"})
            pane.append(QString::fromUtf8(text));
        pane.announce();
        pane.remove(1);
        QCOMPARE(paneEntries(pane), QStringList({QStringLiteral("two"), QStringLiteral("three")}));
        QCOMPARE(pane.rowCount(), 2);
        pane.remove(2);
        QCOMPARE(paneEntries(pane), QStringList({QStringLiteral("two")}));
    }

    void positionsWithoutARowFail_data()
    {
        QTest::addColumn<int>("position");
        QTest::newRow("zero") << 0;
        QTest::newRow("past the end") << 3;
        QTest::newRow("negative") << -1;
    }
    void positionsWithoutARowFail()
    {
        QFETCH(int, position);
        PaneModel pane(true);
        pane.append(QStringLiteral("a"));
        pane.append(QStringLiteral("b"));
        QVERIFY_THROWS_EXCEPTION(Failure, pane.text(position));
        QVERIFY_THROWS_EXCEPTION(Failure, pane.remove(position));
        QVERIFY_THROWS_EXCEPTION(Failure, pane.checked(position));
        // A batch with such a position, or out of order, removes nothing.
        QVERIFY_THROWS_EXCEPTION(Failure, pane.removePositions({1, position}));
        QVERIFY_THROWS_EXCEPTION(Failure, pane.removePositions({2, 1}));
        QCOMPARE(pane.count(), 2);
    }

    void appendsAreAnnouncedInOneBatch()
    {
        PaneModel pane(true);
        QAbstractItemModelTester tester(&pane, QAbstractItemModelTester::FailureReportingMode::QtTest);
        pane.addColumn(QStringLiteral("h"));
        QSignalSpy inserted(&pane, &QAbstractItemModel::rowsInserted);
        for (int i = 0; i < 10000; ++i)
            pane.append(QStringLiteral("/folder/file%1").arg(i));
        QCOMPARE(pane.count(), 10000);
        QCOMPARE(pane.rowCount(), 0); // the views hear of them when the event loop next runs
        QTRY_COMPARE(pane.rowCount(), 10000);
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(pane.index(9999, 0).data().toString(), QStringLiteral("/folder/file9999"));
    }

    void rowsNotYetAnnouncedCanBeRemovedAndCleared()
    {
        PaneModel pane(false);
        QAbstractItemModelTester tester(&pane, QAbstractItemModelTester::FailureReportingMode::QtTest);
        pane.addColumn(QStringLiteral("h"));
        pane.append(QStringLiteral("shown"));
        pane.announce();
        pane.append(QStringLiteral("pending 1"));
        pane.append(QStringLiteral("pending 2"));
        pane.remove(2);
        QCOMPARE(pane.rowCount(), 1);
        QCOMPARE(paneEntries(pane), QStringList({QStringLiteral("shown"), QStringLiteral("pending 2")}));
        pane.clear();
        QCOMPARE(pane.count(), 0);
        QTest::qWait(1);
        QCOMPARE(pane.rowCount(), 0);
    }

    void foldersPrefixesAreSharedButTextsAreWhole()
    {
        PaneModel pane(true);
        const int data = pane.addPrefix("/data/");
        QCOMPARE(pane.addPrefix("/data/"), data);
        pane.appendInFolder(data, "a.txt");
        pane.appendInFolder(data, "b.TXT");
        pane.appendInFolder(pane.addPrefix("/other/"), "c");
        pane.append(QStringLiteral("/loose"));
        QCOMPARE(paneEntries(pane), QStringList({QStringLiteral("/data/a.txt"), QStringLiteral("/data/b.TXT"),
                                                 QStringLiteral("/other/c"), QStringLiteral("/loose")}));
        pane.appendInFolder(pane.addPrefix("/home/zo\u00eb/"), "na\u00efve");
        QCOMPARE(pane.utf8Bytes(), utf8Size(paneEntries(pane)));
    }

    // Removing many positions at once must leave what removing them one by one, highest first, leaves.
    void removingPositionsEqualsRemovingOneByOne_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("announced");
        QTest::addColumn<int>("percent");
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("perFolder");
        QTest::newRow("few ranges, all shown") << 200 << 200 << 3 << 1u << 40;
        QTest::newRow("scattered, all shown") << 2000 << 2000 << 40 << 2u << 40;
        QTest::newRow("some rows still pending") << 500 << 300 << 30 << 3u << 40;
        QTest::newRow("everything") << 100 << 100 << 100 << 4u << 40;
        QTest::newRow("nothing") << 100 << 100 << 0 << 5u << 40;
        QTest::newRow("many, painted meanwhile") << 150000 << 150000 << 60 << 6u << 40;
        QTest::newRow("one big folder, scattered") << 5000 << 5000 << 35 << 7u << 5000;
    }
    void removingPositionsEqualsRemovingOneByOne()
    {
        QFETCH(int, rows);
        QFETCH(int, announced);
        QFETCH(int, percent);
        QFETCH(quint32, seed);
        QFETCH(int, perFolder);
        PaneModel batch(true), single(true);
        QStringList texts; // and ticks: the same list kept plainly
        QList<bool> ticks;
        QAbstractItemModelTester tester(&batch, QAbstractItemModelTester::FailureReportingMode::QtTest);
        batch.addColumn(QStringLiteral("h"));
        QRandomGenerator random(seed);
        // Loose rows and runs under folders; a few names of 253 to 256 bytes, around the longest a row keeps
        // beside others, and a few long enough to fill a folder's share of storage.
        for (int i = 0; i < rows; ++i) {
            static constexpr int kRareLengths[] = {20000, 251, 252, 253, 254};
            const int rare = int(random.bounded(100));
            const QByteArray name =
                QByteArray(rare < 5 ? kRareLengths[rare] : 1, 'n') + QByteArray::number(random.bounded(50) + 50);
            if (random.bounded(4) == 0) {
                batch.append(QString::fromUtf8(name));
                single.append(QString::fromUtf8(name));
                texts.append(QString::fromUtf8(name));
            } else {
                const QByteArray folder = "/d" + QByteArray::number(i / perFolder) + '/';
                batch.appendInFolder(batch.addPrefix(folder.toStdString()), name.toStdString());
                single.appendInFolder(single.addPrefix(folder.toStdString()), name.toStdString());
                texts.append(QString::fromUtf8(folder + name));
            }
            ticks.append(random.bounded(3) == 0);
            if (ticks.back()) {
                batch.setChecked(i + 1, true);
                single.setChecked(i + 1, true);
            }
            if (i == announced - 1)
                batch.announce();
        }
        std::vector<int> positions;
        for (int position = 1; position <= rows; ++position)
            if (int(random.bounded(100)) < percent)
                positions.push_back(position);
        // A repaint during the removal finds the list as it stood before.
        const QStringList before = paneEntries(batch);
        int paints = 0;
        batch.removePositions(positions, [&] {
            ++paints;
            QCOMPARE(paneEntries(batch), before);
        });
        if (rows > 65536 && positions.size() > 64)
            QVERIFY(paints > 1);
        for (auto it = positions.rbegin(); it != positions.rend(); ++it) {
            single.remove(*it);
            texts.removeAt(*it - 1);
            ticks.removeAt(*it - 1);
        }
        // Rows appended afterwards join them unticked.
        for (PaneModel* pane : {&batch, &single}) {
            pane->append(QStringLiteral("/after"));
            pane->appendInFolder(pane->addPrefix("/d0/"), "after");
        }
        texts << QStringLiteral("/after") << QStringLiteral("/d0/after");
        ticks << false << false;
        QCOMPARE(paneEntries(batch), texts);
        QCOMPARE(paneEntries(single), texts);
        QCOMPARE(batch.utf8Bytes(), utf8Size(texts));
        QCOMPARE(single.utf8Bytes(), utf8Size(texts));
        for (int position = 1; position <= batch.count(); ++position) {
            QCOMPARE(batch.checked(position), ticks[position - 1]);
            QCOMPARE(single.checked(position), ticks[position - 1]);
        }
        QTRY_COMPARE(batch.rowCount(), batch.count());
    }

    // Texts of every length class survive growing storage and the reclaiming of removed rows' room, which
    // starts once over a megabyte is garbage and half the storage.
    void textsOfAnyLengthSurviveRemovalsAndReclaiming()
    {
        PaneModel pane(true);
        QStringList expected;
        const int lengths[] = {0, 1, 127, 128, 129, 254, 255, 256, 16383, 16384, 70000};
        for (int round = 0; round < 40; ++round)
            for (const int length : lengths) {
                const QString text = QString(length, QChar(u'a' + round % 26)) + QString::number(round);
                pane.append(text);
                expected.append(text);
            }
        const int folder = pane.addPrefix("/f/");
        pane.appendInFolder(folder, "last");
        expected.append(QStringLiteral("/f/last"));
        for (int position = pane.count() - 1; position >= 1; position -= 3) {
            pane.remove(position);
            expected.removeAt(position - 1);
        }
        std::vector<int> everyOther;
        for (int position = 1; position < pane.count(); position += 2)
            everyOther.push_back(position);
        pane.removePositions(everyOther);
        for (auto it = everyOther.rbegin(); it != everyOther.rend(); ++it)
            expected.removeAt(*it - 1);
        QCOMPARE(paneEntries(pane), expected);
        QCOMPARE(pane.utf8Bytes(), utf8Size(expected));
    }

    // A row read while a long removal repaints is read in the old list; a row read after it, in the new one,
    // starts where the new list says, whatever was read before.
    void rowsReadDuringARemovalDoNotMisplaceTheRowsAfter()
    {
        PaneModel pane(true);
        QStringList expected;
        const int folder = pane.addPrefix("/one/");
        for (int i = 0; i < 70000; ++i) {
            const std::string name = std::string(std::size_t(i % 7 + 1), 'x') + std::to_string(i);
            pane.appendInFolder(folder, name);
            expected.append(QStringLiteral("/one/") + QString::fromStdString(name));
        }
        pane.announce();
        std::vector<int> everyThird;
        for (int position = 1; position <= pane.count(); position += 3)
            everyThird.push_back(position);
        pane.removePositions(everyThird, [&] { QCOMPARE(pane.text(100), expected[99]); });
        for (auto it = everyThird.rbegin(); it != everyThird.rend(); ++it)
            expected.removeAt(*it - 1);
        QCOMPARE(pane.text(101), expected[100]);
        QCOMPARE(paneEntries(pane), expected);
    }

    void theSelectionIsTheSelectedRow()
    {
        PaneModel pane(false);
        pane.addColumn(QStringLiteral("h"));
        pane.append(QStringLiteral("a"));
        pane.append(QStringLiteral("b"));
        pane.announce();
        QCOMPARE(pane.selectedIndex(), 0);
        pane.selectionModel()->select(pane.index(1, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QCOMPARE(pane.selectedIndex(), 2);
        pane.remove(2);
        QCOMPARE(pane.selectedIndex(), 0);
    }
};

QTEST_GUILESS_MAIN(TestPaneModel)
#include "test_pane_model.moc"
