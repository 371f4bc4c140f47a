// The copy text of a pane, the clipboard's retries, and the copy command in the window.
#include "ErrorReports.h"
#include "ScriptedYield.h"
#include "results/ClipboardText.h"
#include "results/ResultsOutput.h"

#include <QClipboard>
#include <QMimeData>
#include <QtTest>

#include <climits>

namespace {

// A pane of any number of columns: one list of cells per row, the check marks alongside.
struct TablePane : PaneSource
{
    int columns = 1;
    std::vector<QStringList> rows;
    std::vector<bool> marks;

    int columnCount() const override { return columns; }
    int rowCount() const override { return int(rows.size()); }
    QString cellText(int row, int column) const override
    {
        if (row < 1 || row > rowCount())
            throw Failure(QStringLiteral("Index out of bounds"));
        const QStringList& cells = rows[std::size_t(row - 1)];
        return column <= cells.size() ? cells[column - 1] : QString();
    }
    bool checked(int row) const override
    {
        if (row < 1 || row > rowCount())
            throw Failure(QStringLiteral("Index out of bounds"));
        return marks[std::size_t(row - 1)];
    }
};

// Rows given as "x|cell|cell" (checked) or " |cell|cell" (clear).
TablePane table(int columns, const QStringList& rows)
{
    TablePane pane;
    pane.columns = columns;
    for (const QString& row : rows) {
        QStringList cells = row.split(QChar(u'|'));
        pane.marks.push_back(cells.takeFirst() == QLatin1String("x"));
        pane.rows.push_back(cells);
    }
    return pane;
}

} // namespace

class TestClipboardText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void copyTextPadsChecksAndTrims_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("expected");

        QTest::newRow("checked rows only, in pane order")
            << 1 << QStringList{"x|C:\\a\\x.txt", " |C:\\a\\long name.txt", "x|C:\\b\\y.txt"}
            << "C:\\a\\x.txt\r\nC:\\b\\y.txt\r\n";
        QTest::newRow("two columns padded to the widest cell")
            << 2 << QStringList{"x|ab|x", " |abcde|xyz"} << "ab   \tx\r\n";
        QTest::newRow("an empty last cell leaves the tab") << 2 << QStringList{"x|ab|", " |abcde|xyz"} << "ab   \t\r\n";
        QTest::newRow("an unchecked longer row widens the padding")
            << 3 << QStringList{"x|a|b|c", " |aaaa|bbbbbb|cccccccc"} << "a   \tb     \tc\r\n";
        QTest::newRow("trailing spaces go, leading and inner stay")
            << 1 << QStringList{"x|  my file.txt   ", "x|/b"} << "  my file.txt\r\n/b\r\n";
        QTest::newRow("a row of spaces becomes an empty line")
            << 1 << QStringList{"x|a", "x|   ", "x|b"} << "a\r\n\r\nb\r\n";
        QTest::newRow("the trim stops at a tab") << 2 << QStringList{"x|a|  ", " |abc|"} << "a  \t\r\n";
        QTest::newRow("widths count UTF-16 units, not bytes")
            << 2 << QStringList{"x|\u00e9\u00e9|z", " |abc|"} << "\u00e9\u00e9 \tz\r\n";
        QTest::newRow("no row checked gives the empty text") << 1 << QStringList{" |a", " |b"} << "";
    }
    void copyTextPadsChecksAndTrims()
    {
        QFETCH(int, columns);
        QFETCH(QStringList, rows);
        QFETCH(QString, expected);
        const TablePane pane = table(columns, rows);
        ScriptedYield yield;
        const std::optional<QByteArray> text = copyText(pane, yield);
        QVERIFY(text.has_value());
        QCOMPARE(*text, expected.toUtf8());
    }

    void anEmptyPaneGivesNoTextAndLeavesTheClipboardAlone()
    {
        TablePane pane;
        ScriptedYield yield;
        QVERIFY(!copyText(pane, yield).has_value());
        FakeClipboard clipboard;
        clipboard.text = QStringLiteral("earlier");
        ListViewToClipboard(pane, yield, clipboard);
        QCOMPARE(clipboard.text, std::optional<QString>(QStringLiteral("earlier")));
        QCOMPARE(clipboard.clearAttempts + clipboard.setAttempts, 0);
    }

    void aRowThatVanishesMeanwhileFailsTheCopy_data()
    {
        QTest::addColumn<int>("yieldThatRemoves");
        QTest::newRow("in the widths pass") << 2;
        QTest::newRow("in the text pass") << 4;
        QTest::newRow("while reading a checked row's cells") << 5;
    }
    void aRowThatVanishesMeanwhileFailsTheCopy()
    {
        QFETCH(int, yieldThatRemoves);
        TablePane pane = table(1, {"x|a", "x|b", "x|c"});
        ScriptedYield yield;
        yield.at(yieldThatRemoves, [&] {
            pane.rows.clear();
            pane.marks.clear();
        });
        FakeClipboard clipboard;
        clipboard.text = QStringLiteral("earlier");
        QVERIFY_THROWS_EXCEPTION(Failure, ListViewToClipboard(pane, yield, clipboard));
        QCOMPARE(clipboard.text, std::optional<QString>(QStringLiteral("earlier")));
        QCOMPARE(clipboard.clearAttempts + clipboard.setAttempts, 0);
    }

    void theWrappersRetryEachAttemptOnItsOwn_data()
    {
        QTest::addColumn<int>("refusals");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<bool>("took");
        QTest::newRow("takes at once") << 0 << 1 << true;
        QTest::newRow("refuses once") << 1 << 2 << true;
        QTest::newRow("refuses 999 times, the 1000th takes") << 999 << 1000 << true;
        QTest::newRow("refuses exactly 1000 times") << 1000 << 1000 << false;
        QTest::newRow("refuses for ever") << INT_MAX << 1000 << false;
    }
    void theWrappersRetryEachAttemptOnItsOwn()
    {
        QFETCH(int, refusals);
        QFETCH(int, attempts);
        QFETCH(bool, took);
        FakeClipboard clipboard;
        clipboard.refuseSets(refusals);
        clipboard.refuseClears(refusals);
        QCOMPARE(ClipboardSetText(clipboard, QByteArrayLiteral("a\r\n"), 0), took);
        QCOMPARE(clipboard.setAttempts, attempts);
        QCOMPARE(clipboard.text, took ? std::optional<QString>(QStringLiteral("a\r\n")) : std::nullopt);
        clipboard.text = QStringLiteral("kept");
        ClipboardClear(clipboard);
        QCOMPARE(clipboard.clearAttempts, attempts);
        QCOMPARE(clipboard.text.has_value(), !took);
    }

    void theCopyCommandTellsOnlyOfACopyThatHappened_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QList<int>>("checkedRows");
        QTest::addColumn<int>("setRefusals");
        QTest::addColumn<int>("clearRefusals");
        QTest::addColumn<QString>("clipboardAfter"); // "<earlier>" when untouched, "<none>" when no text
        QTest::addColumn<int>("setAttempts");
        QTest::addColumn<QString>("report"); // "" for none

        const QStringList three{"/a/x.txt", "/a/long name.txt  ", "/b/y.txt  "};
        QTest::newRow("all checked: every path, trimmed, CR LF each")
            << three << QList<int>{1, 2, 3} << 0 << 0 << "/a/x.txt\r\n/a/long name.txt\r\n/b/y.txt\r\n"
            << 1 << "";
        QTest::newRow("none checked: cleared, then the empty text") << three << QList<int>{} << 0 << 0 << "" << 1 << "";
        QTest::newRow("empty pane: clipboard untouched, message shown")
            << QStringList{} << QList<int>{} << 0 << 0 << "<earlier>" << 0 << "";
        QTest::newRow("refuses 999 times, then takes") << three << QList<int>{3} << 999 << 0 << "/b/y.txt\r\n"
                                                       << 1000 << "";
        QTest::newRow("a clear that never takes does not stop the text")
            << three << QList<int>{1} << 0 << INT_MAX << "/a/x.txt\r\n"
            << 1 << "";
        QTest::newRow("always refuses: one report, no message")
            << three << QList<int>{1} << INT_MAX << 0 << "<none>" << 1000 << "The clipboard could not be opened.";
    }
    void theCopyCommandTellsOnlyOfACopyThatHappened()
    {
        QFETCH(QStringList, entries);
        QFETCH(QList<int>, checkedRows);
        QFETCH(int, setRefusals);
        QFETCH(int, clearRefusals);
        QFETCH(QString, clipboardAfter);
        QFETCH(int, setAttempts);
        QFETCH(QString, report);

        WindowHarness h;
        Form& form = h.start().form();
        for (const QString& entry : entries)
            form.ResultList.append(entry);
        for (int row : checkedRows)
            form.ResultList.setChecked(row, true);
        h.clipboard.text = QStringLiteral("<earlier>");
        h.clipboard.refuseSets(setRefusals);
        h.clipboard.refuseClears(clearRefusals);

        h.click(1);

        QCOMPARE(h.clipboard.text.value_or(QStringLiteral("<none>")), clipboardAfter);
        QCOMPARE(h.clipboard.setAttempts, setAttempts);
        QCOMPARE(form.MousePointer.value(), int(Pointer::Default));
        if (report.isEmpty()) {
            QCOMPARE(h.dialogs.calls().size(), std::size_t(1));
            QCOMPARE(h.dialogs.calls()[0].text, copiedMessage());
            QCOMPARE(h.dialogs.calls()[0].buttons, int(MsgBoxCode::OkOnly));
            QCOMPARE(h.dialogs.calls()[0].title, QStringLiteral("Tallyfold"));
        } else {
            QCOMPARE(h.dialogs.calls().size(), std::size_t(1));
            QCOMPARE(reportLines(h), QStringList{"Form1.PushButton1_Click 106: " + report});
        }
    }

    void theMessageIsJoinedByTwoBareCarriageReturns()
    {
        QCOMPARE(copiedMessage(),
                 QStringLiteral("Results have been copied to the clipboard.\r\rClick a text area where you normally "
                                "type and press Ctrl+V to paste the clipboard."));
    }

    void clearingThePaneDuringTheCopyReportsOnceAndShowsNoSuccess()
    {
        WindowHarness h;
        Form& form = h.start().form();
        for (const char* entry : {"/a", "/b", "/c"})
            form.ResultList.append(QString::fromUtf8(entry));
        form.ResultList.setChecked(1, true);
        h.clipboard.text = QStringLiteral("earlier");
        h.yield.at(2, [&] { h.click(8); });

        h.click(1);

        QCOMPARE(h.clipboard.text, std::optional<QString>(QStringLiteral("earlier")));
        QCOMPARE(reportLines(h), QStringList{"Form1.PushButton1_Click 106: Index out of bounds"});
        QCOMPARE(h.dialogs.calls().size(), std::size_t(1));
        QCOMPARE(form.MousePointer.value(), int(Pointer::Default));
    }

    void thePanesWidthsCountUtf16UnitsOfItsBytes_data()
    {
        QTest::addColumn<QString>("longest"); // an unticked row that sets the first column's width
        QTest::addColumn<int>("width");       // its length in UTF-16 units, counted by hand
        QTest::newRow("ASCII, more than a word") << "/abcdefghij/klm" << 15;
        QTest::newRow("two-byte letters inside a word") << "/caf\u00e9s/\u00e9t\u00e9 r\u00e9sum\u00e9" << 17;
        QTest::newRow("three-byte letters") << "/\u65e5\u672c\u8a9e/\u30d5\u30a1\u30a4\u30eb" << 9;
        QTest::newRow("beyond the basic plane, two units each") << "/\U0001F600\U0001F600x\U0001F600" << 8;
    }
    void thePanesWidthsCountUtf16UnitsOfItsBytes()
    {
        QFETCH(QString, longest);
        QFETCH(int, width);
        PaneModel pane(true);
        pane.addColumn(QStringLiteral("Results (List of Files)"));
        pane.addColumn(QStringLiteral("more")); // a second column, empty in every row, pads the first
        pane.append(QStringLiteral("/\u00e9"));
        pane.append(longest);
        pane.setChecked(1, true);
        ScriptedYield yield;
        const std::optional<QByteArray> text = copyText(PaneModelSource(pane), yield);
        QVERIFY(text.has_value());
        QCOMPARE(*text,
                 (QStringLiteral("/\u00e9") + QString(width - 2, QChar(u' ')) + QStringLiteral("\t\r\n")).toUtf8());
    }

    void namesThatAreNotUtf8AreCopiedAsTheDecoderReadsThem_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("well-formed, two to four bytes") << QByteArray("caf\xc3\xa9 \xe6\x97\xa5 \xf0\x9f\x98\x80");
        QTest::newRow("a byte that is never UTF-8") << QByteArray("a\xff"
                                                                  "b");
        QTest::newRow("an overlong slash") << QByteArray("a\xc0\xaf"
                                                         "b");
        QTest::newRow("a surrogate") << QByteArray("a\xed\xa0\x80"
                                                   "b");
        QTest::newRow("beyond U+10FFFF") << QByteArray("a\xf4\x90\x80\x80"
                                                       "b");
        QTest::newRow("cut short at the end") << QByteArray("a\xe2\x82");
        QTest::newRow("a stray continuation") << QByteArray("a\x80"
                                                            "b");
        QTest::newRow("a noncharacter") << QByteArray("a\xef\xbf\xbe"
                                                      "b");
    }
    void namesThatAreNotUtf8AreCopiedAsTheDecoderReadsThem()
    {
        QFETCH(QByteArray, name);
        PaneModel pane(true);
        pane.addColumn(QStringLiteral("Results (List of Files)"));
        const QByteArray prefix("/d\xc3\xa9j\xc3\xa0/");
        pane.appendInFolder(pane.addPrefix(std::string_view(prefix.constData(), std::size_t(prefix.size()))),
                            std::string_view(name.constData(), std::size_t(name.size())));
        pane.setChecked(1, true);
        ScriptedYield yield;
        const std::optional<QByteArray> text = copyText(PaneModelSource(pane), yield);
        QVERIFY(text.has_value());
        QCOMPARE(*text, (QString::fromUtf8(prefix) + QString::fromUtf8(name) + QStringLiteral("\r\n")).toUtf8());
    }

    void aPaneChangedDuringTheCopyCopiesOneStateOrNothing_data()
    {
        QTest::addColumn<int>("atYield"); // widths pass 1-3; text pass rows at 4, 6, 7, cells at 5 and 8
        QTest::addColumn<bool>("removeFirst");
        QTest::addColumn<QString>("clipboardAfter");
        QTest::newRow("removal then appends in the widths pass") << 2 << true << "earlier";
        QTest::newRow("removal then appends between rows") << 6 << true << "earlier";
        QTest::newRow("removal then appends at the last cell") << 8 << true << "earlier";
        QTest::newRow("appends alone: not part of the copy") << 5 << false << "/a\r\n/c\r\n";
    }
    void aPaneChangedDuringTheCopyCopiesOneStateOrNothing()
    {
        QFETCH(int, atYield);
        QFETCH(bool, removeFirst);
        QFETCH(QString, clipboardAfter);
        WindowHarness h;
        Form& form = h.start().form();
        for (const char* entry : {"/a", "/b", "/c"})
            form.ResultList.append(QString::fromUtf8(entry));
        form.ResultList.setChecked(1, true);
        form.ResultList.setChecked(3, true);
        h.clipboard.text = QStringLiteral("earlier");
        h.yield.at(atYield, [&] {
            if (removeFirst)
                form.ResultList.remove(2);
            for (const char* entry : {"/d", "/e"}) {
                form.ResultList.append(QString::fromUtf8(entry));
                form.ResultList.setChecked(form.ResultList.count(), true);
            }
        });

        h.click(1);

        QCOMPARE(h.clipboard.text, std::optional<QString>(clipboardAfter));
        QCOMPARE(h.dialogs.calls().size(), std::size_t(1));
        if (removeFirst) {
            QCOMPARE(reportLines(h), QStringList{"Form1.PushButton1_Click 106: The list was changed during the copy; "
                                                 "nothing was copied"});
        } else {
            QCOMPARE(h.dialogs.calls()[0].text, copiedMessage());
        }
    }
};

QTEST_MAIN(TestClipboardText)
#include "test_clipboard_text.moc"
