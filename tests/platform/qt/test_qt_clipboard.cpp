// The system clipboard as the copy command leaves it: the text of the moment of the copy, a large text freed a
// slice at a time, and a copy judged by who holds the clipboard after it.
#include "ScriptedYield.h"
#include "panes/PaneModel.h"
#include "platform/qt/QtClipboard.h"
#include "results/ClipboardText.h"
#include "testbed/ResidentMemory.h"

#include <QClipboard>
#include <QMimeData>
#include <QtTest>

#include <climits>

namespace {

// The system clipboard, taken over by another program right after each of the first `refusals` offers.
struct TakenAwayClipboard : QtClipboard
{
    int refusals = 0;
    int offers = 0;
    void place(QClipboard& clipboard, QMimeData* offer) override
    {
        ++offers;
        QtClipboard::place(clipboard, offer);
        if (refusals > 0) {
            --refusals;
            auto* other = new QMimeData;
            other->setText(QStringLiteral("someone else's"));
            clipboard.setMimeData(other);
        }
    }
};

} // namespace

class TestQtClipboard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theSystemClipboardHoldsTheTextOfTheMomentOfTheCopy_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QList<int>>("checkedRows");
        QTest::addColumn<QString>("expected");
        QTest::newRow("ticked rows only, trimmed") << QStringList{"/a/x.txt", "/a/long name.txt", "/b/y.txt  "}
                                                   << QList<int>{1, 3} << "/a/x.txt\r\n/b/y.txt\r\n";
        QTest::newRow("names beyond ASCII, in and beyond the basic plane")
            << QStringList{"/home/zo\u00eb/\u00dcbung.txt", "/tmp/\u65e5\u672c/\u30d5\u30a1.txt",
                           "/x/\U0001F600 smile.txt   "}
            << QList<int>{1, 2, 3}
            << "/home/zo\u00eb/\u00dcbung.txt\r\n/tmp/\u65e5\u672c/\u30d5\u30a1.txt\r\n/x/\U0001F600 smile.txt\r\n";
        QTest::newRow("none ticked: the empty text") << QStringList{"/a", "/b"} << QList<int>{} << "";
    }
    void theSystemClipboardHoldsTheTextOfTheMomentOfTheCopy()
    {
        QFETCH(QStringList, entries);
        QFETCH(QList<int>, checkedRows);
        QFETCH(QString, expected);
        PaneModel pane(true);
        pane.addColumn(QStringLiteral("Results (List of Files)"));
        for (const QString& entry : entries)
            pane.append(entry);
        for (int row : checkedRows)
            pane.setChecked(row, true);
        ScriptedYield yield;
        QtClipboard clipboard;
        ListViewToClipboard(PaneModelSource(pane), yield, clipboard);

        // The pane changes after the copy: the clipboard keeps what was copied.
        pane.remove(1);
        pane.append(QStringLiteral("/later"));
        pane.setChecked(pane.count(), true);
        pane.setChecked(1, !pane.checked(1));

        const QMimeData* offer = QGuiApplication::clipboard()->mimeData();
        QVERIFY(offer);
        QCOMPARE(offer->data(QStringLiteral("text/plain;charset=utf-8")), expected.toUtf8());
        QCOMPARE(offer->data(QStringLiteral("text/plain")), expected.toUtf8());
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
    }

    // A text of tens of megabytes is freed a slice at a time when the next copy clears it: a client that took
    // it keeps every byte, and the memory of a text nobody holds goes back while the window may paint.
    void aLargeTextIsFreedWithoutTouchingWhatAClientHolds()
    {
        PaneModel pane(true);
        pane.addColumn(QStringLiteral("Results (List of Files)"));
        const QString folder = QLatin1Char('/') + QString(100, QLatin1Char('d')) + QLatin1Char('/');
        QByteArray expected;
        for (int row = 1; row <= 400'000; ++row) { // 45 MB of text
            const QString entry = folder + QString::number(row);
            pane.append(entry);
            pane.setChecked(row, true);
            expected += entry.toUtf8() + "\r\n";
        }
        struct MemoryAtPaints : ScriptedYield
        {
            std::vector<qint64> resident;
            void paintOnly() override { resident.push_back(residentBytes()); }
        } yield;
        QtClipboard clipboard(&yield);
        const QString utf8 = QStringLiteral("text/plain;charset=utf-8");

        ListViewToClipboard(PaneModelSource(pane), yield, clipboard);
        const QByteArray held = QGuiApplication::clipboard()->mimeData()->data(utf8);
        pane.setChecked(1, false);
        ListViewToClipboard(PaneModelSource(pane), yield, clipboard);
        QCOMPARE(held, expected);

        yield.resident.clear();
        const qint64 before = residentBytes();
        clipboard.Clear();
        QVERIFY(!yield.resident.empty() && yield.resident.back() < before - 30'000'000);
    }

    void theSystemClipboardIsJudgedByWhoHoldsIt_data()
    {
        QTest::addColumn<int>("refusals");
        QTest::addColumn<int>("offers");
        QTest::addColumn<bool>("took");
        QTest::addColumn<QString>("held");
        QTest::newRow("takes at once") << 0 << 1 << true << "a\u00e9\r\n";
        QTest::newRow("taken away 999 times, the 1000th stays") << 999 << 1000 << true << "a\u00e9\r\n";
        QTest::newRow("taken away every time") << INT_MAX << 1000 << false << "someone else's";
    }
    void theSystemClipboardIsJudgedByWhoHoldsIt()
    {
        QFETCH(int, refusals);
        QFETCH(int, offers);
        QFETCH(bool, took);
        QFETCH(QString, held);
        TakenAwayClipboard clipboard;
        clipboard.refusals = refusals;
        QCOMPARE(ClipboardSetText(clipboard, QStringLiteral("a\u00e9\r\n").toUtf8(), 0), took);
        QCOMPARE(clipboard.offers, offers);
        QCOMPARE(QGuiApplication::clipboard()->text(), held);
    }
};

QTEST_MAIN(TestQtClipboard)
#include "test_qt_clipboard.moc"
