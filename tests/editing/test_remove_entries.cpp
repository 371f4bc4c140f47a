// Thinning either pane by a typed text: the test itself, the four buttons, and what may run during a scan.
#include "ErrorReports.h"
#include "PaneEntries.h"
#include "WindowHarness.h"
#include "app/PaneView.h"
#include "editing/RemoveEntries.h"
#include "platform/qt/CommandGate.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtYield.h"

#include <QAccessible>
#include <QApplication>
#include <QInputDialog>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

const QString kContaining = QStringLiteral("Remove entries containing: ");
const QString kNotContaining = QStringLiteral("Remove entries not containing: ");

PaneModel& paneOf(WindowHarness& h, int button)
{
    return button == 13 || button == 14 ? h.form().FolderList : h.form().ResultList;
}

QStringList inputPrompts(const ScriptedDialogs& dialogs)
{
    QStringList prompts;
    for (const ScriptedDialogs::Call& call : dialogs.calls())
        if (call.kind == QLatin1String("input"))
            prompts.append(call.text);
    return prompts;
}

} // namespace

class TestRemoveEntries : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void searchIgnoresCaseBeyondAscii_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("found");
        QTest::newRow("upper text, lower entry") << "TXT"
                                                 << "/a.txt" << true;
        QTest::newRow("lower text, upper entry") << "txt"
                                                 << "/b.TXT" << true;
        QTest::newRow("absent") << "txt"
                                << "/c.doc" << false;
        QTest::newRow("blank before is searched") << " txt"
                                                  << "/a.txt" << false;
        QTest::newRow("blank after is searched") << "txt "
                                                 << "/a.txt" << false;
        QTest::newRow("blank found where it stands") << " b"
                                                     << "/a b.txt" << true;
        QTest::newRow("text longer than entry") << "a.txt.bak"
                                                << "a.txt" << false;
        QTest::newRow("whole entry") << "/A.TXT"
                                     << "/a.txt" << true;
        QTest::newRow("match at the very end") << "XT"
                                               << "/a.txt" << true;
        QTest::newRow("partial first match then real one") << "aab"
                                                           << "aaab" << true;
        QTest::newRow("umlaut, upper entry") << "ärger"
                                             << "/ÄRGER.txt" << true;
        QTest::newRow("umlaut, upper text") << "ÄRGER"
                                            << "/ärger.txt" << true;
        QTest::newRow("Kelvin sign lowers to k") << "kelvin"
                                                 << "/\u212Aelvin" << true;
        // Full lower-casing turns it into "i" and a combining dot above.
        QTest::newRow("dotted capital I holds an i") << "/i"
                                                     << "/\u0130stanbul" << true;
        QTest::newRow("dotted capital I keeps its dot") << "istanbul"
                                                        << "/\u0130stanbul" << false;
        QTest::newRow("ASCII text in an entry with other letters") << "TXT"
                                                                   << "/Café/Übersicht.Txt" << true;
        QTest::newRow("ASCII text across a non-ASCII letter") << "ct"
                                                              << "/cété" << false;
        QTest::newRow("Kelvin sign inside a longer entry") << "skill"
                                                           << "/Übungen/SKill.doc" << true;
        QTest::newRow("sharp s is no ss") << "ss"
                                          << "/Stra\u00DFe" << false;
        QTest::newRow("folder path with separator") << "data/"
                                                    << "/home/Data/" << true;
        QTest::newRow("non-ASCII text, ASCII entry") << "é"
                                                     << "/cafe" << false;
        QTest::newRow("NUL inside entry") << QString(QChar(0)) << QString("a") + QChar(0) + "b" << true;
    }
    void searchIgnoresCaseBeyondAscii()
    {
        QFETCH(QString, text);
        QFETCH(QString, entry);
        QFETCH(bool, found);
        QCOMPARE(LowerCaseSearch(text).foundIn(entry), found);
        // The fast path must agree with lower-casing both sides in full.
        QCOMPARE(entry.toLower().contains(text.toLower()), found);
    }

    void buttonRemovesWhatItsTestSelects_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("remaining");
        const QStringList abc = {"/a.txt", "/b.TXT", "/c.doc"};
        QTest::newRow("results, containing TXT") << 4 << abc << "TXT" << QStringList{"/c.doc"};
        QTest::newRow("results, not containing TXT") << 10 << abc << "TXT" << QStringList{"/a.txt", "/b.TXT"};
        QTest::newRow("results, blank before") << 4 << abc << " txt" << abc;
        QTest::newRow("results, blank after") << 4 << abc << "txt " << abc;
        QTest::newRow("results, text in every entry") << 4 << abc << "/" << QStringList{};
        QTest::newRow("results, text in no entry") << 10 << abc << "zz" << QStringList{};
        QTest::newRow("results, not containing, all match") << 10 << abc << "/" << abc;
        QTest::newRow("results, identical entries go together")
            << 4 << QStringList{"/x.txt", "/y.doc", "/x.txt", "/X.TXT"} << "x.txt" << QStringList{"/y.doc"};
        QTest::newRow("results, order kept") << 10 << QStringList{"/1.txt", "/2.doc", "/3.txt", "/4.doc", "/5.txt"}
                                             << ".txt" << QStringList{"/1.txt", "/3.txt", "/5.txt"};
        QTest::newRow("results, umlaut") << 4 << QStringList{"/ÄRGER.txt", "/ruhe.txt"} << "ärger"
                                         << QStringList{"/ruhe.txt"};
        QTest::newRow("folders, containing data/")
            << 13 << QStringList{"/srv/Data/", "/home/", "/DATA/x/"} << "data/" << QStringList{"/home/"};
        QTest::newRow("folders, not containing data/") << 14 << QStringList{"/srv/Data/", "/home/", "/DATA/x/"}
                                                       << "data/" << QStringList{"/srv/Data/", "/DATA/x/"};
        QTest::newRow("folders, empty entries") << 13 << QStringList{"", "/a/", ""} << "a" << QStringList{"", ""};
    }
    void buttonRemovesWhatItsTestSelects()
    {
        QFETCH(int, button);
        QFETCH(QStringList, entries);
        QFETCH(QString, text);
        QFETCH(QStringList, remaining);
        WindowHarness h;
        h.start();
        PaneModel& pane = paneOf(h, button);
        PaneModel& other = &pane == &h.form().FolderList ? h.form().ResultList : h.form().FolderList;
        fill(pane, entries);
        fill(other, {"/untouched.txt"});
        h.dialogs.inputNext(text);
        int pointerDuringScan = -1;
        h.yield.every([&] { pointerDuringScan = h.form().MousePointer.value(); });
        h.click(button);
        QCOMPARE(paneEntries(pane), remaining);
        QCOMPARE(paneEntries(other), QStringList{"/untouched.txt"});
        QCOMPARE(pointerDuringScan, Pointer::Busy);
        QCOMPARE(h.form().MousePointer.value(), Pointer::Default);
        QCOMPARE(inputPrompts(h.dialogs), QStringList{button == 4 || button == 13 ? kContaining : kNotContaining});
        QCOMPARE(h.dialogs.calls().front().title, QStringLiteral("Tallyfold"));
        QVERIFY(h.dialogs.messages().isEmpty());
    }

    // Cancel gives the same empty text as OK on an empty field: nothing changes, the pointer is not touched.
    void emptyTextDoesNothing_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QStringList>("entries");
        for (int button : {4, 10, 13, 14}) {
            QTest::addRow("button %d, filled pane", button) << button << QStringList{"/a.txt", "/b.doc"};
            QTest::addRow("button %d, empty pane", button) << button << QStringList{};
        }
    }
    void emptyTextDoesNothing()
    {
        QFETCH(int, button);
        QFETCH(QStringList, entries);
        WindowHarness h;
        h.start();
        fill(paneOf(h, button), entries);
        h.form().MousePointer.setValue(Pointer::Custom);
        h.dialogs.inputNext(QString());
        h.click(button);
        QCOMPARE(paneEntries(paneOf(h, button)), entries);
        QCOMPARE(h.form().MousePointer.value(), Pointer::Custom);
        QCOMPARE(inputPrompts(h.dialogs).size(), 1);
    }

    void emptyPaneAsksAndChangesNothing_data()
    {
        QTest::addColumn<int>("button");
        for (int button : {4, 10, 13, 14})
            QTest::addRow("button %d", button) << button;
    }
    void emptyPaneAsksAndChangesNothing()
    {
        QFETCH(int, button);
        WindowHarness h;
        h.start();
        h.form().MousePointer.setValue(Pointer::Custom);
        h.dialogs.inputNext(QStringLiteral("x"));
        h.click(button);
        QCOMPARE(paneOf(h, button).count(), 0);
        QCOMPARE(h.form().MousePointer.value(), Pointer::Default); // the hourglass came and went
        QCOMPARE(inputPrompts(h.dialogs).size(), 1);
        QVERIFY(h.dialogs.messages().isEmpty());
    }

    // What other commands do to the pane during a scan, and what the removal then leaves.
    void scanMeetsChangedPane_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("remaining");
        QTest::addColumn<QString>("report"); // the description reported at 106, or none
        // The shrunken pane was reported as "Index out of bounds", before the changed-pane check could run.
        QTest::newRow("results cleared") << "clear" << QStringList{}
                                         << "The list was changed during the search; nothing was removed";
        QTest::newRow("results cleared and filled again")
            << "clear and refill" << QStringList{"/a.txt", "/b.doc", "/c.txt", "/d.doc"}
            << "The list was changed during the search; nothing was removed";
        QTest::newRow("one row appended") << "append" << QStringList{"/b.doc", "/d.doc", "/e.txt"} << QString();
        QTest::newRow("Delete refused while busy") << "delete" << QStringList{"/b.doc", "/d.doc"} << QString();
        // A nested command that ends resets the pointer, and the Delete key works again.
        QTest::newRow("Delete after a nested command")
            << "nested, then delete" << QStringList{"/b.doc", "/c.txt", "/d.doc"}
            << "The list was changed during the search; nothing was removed";
    }
    void scanMeetsChangedPane()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, remaining);
        QFETCH(QString, report);
        WindowHarness h;
        MainWindow& window = h.start();
        const QStringList entries = {"/a.txt", "/b.doc", "/c.txt", "/d.doc"};
        fill(h.form().ResultList, entries);
        auto pressDeleteOnFirst = [&] {
            window.ListView2()->selectRow(1);
            QTest::keyClick(window.ListView2(), Qt::Key_Delete);
        };
        h.dialogs.inputNext(QStringLiteral("txt"));
        if (change == QLatin1String("clear")) {
            h.yield.at(2, [&] { h.click(8); });
        } else if (change == QLatin1String("clear and refill")) {
            h.yield.at(2, [&] {
                h.click(8);
                fill(h.form().ResultList, entries);
            });
        } else if (change == QLatin1String("append")) {
            h.yield.at(3, [&] { h.form().ResultList.append(QStringLiteral("/e.txt")); });
        } else if (change == QLatin1String("delete")) {
            h.yield.at(2, pressDeleteOnFirst);
        } else {
            fill(h.form().FolderList, {"/srv/"});
            h.dialogs.inputNext(QStringLiteral("srv"));
            h.yield.at(2, [&] { h.click(13); }); // its one yield is the third
            h.yield.at(2 + 2, pressDeleteOnFirst);
        }
        h.click(4);
        QCOMPARE(h.resultEntries(), remaining);
        QCOMPARE(reportLines(h),
                 report.isEmpty() ? QStringList{} : QStringList{"Form1.PushButton4_Click 106: " + report});
        QCOMPARE(otherMessages(h), QStringList{});
        QCOMPARE(h.form().MousePointer.value(), Pointer::Default);
    }

    // A second removal of the pane being scanned is refused before it asks; one of the other pane runs.
    void nestedRemoval_data()
    {
        QTest::addColumn<int>("outer");
        QTest::addColumn<int>("inner");
        QTest::addColumn<bool>("refused");
        QTest::newRow("results in results, same command") << 4 << 4 << true;
        QTest::newRow("results in results, other command") << 4 << 10 << true;
        QTest::newRow("folders in folders") << 14 << 13 << true;
        QTest::newRow("folders in results") << 4 << 13 << false;
        QTest::newRow("results in folders") << 13 << 10 << false;
    }
    void nestedRemoval()
    {
        QFETCH(int, outer);
        QFETCH(int, inner);
        QFETCH(bool, refused);
        WindowHarness h;
        h.start();
        const QStringList entries = {"/keep/x.doc", "/drop/y.txt", "/keep/z.doc"};
        fill(h.form().FolderList, entries);
        fill(h.form().ResultList, entries);
        h.dialogs.inputNext(QStringLiteral("drop"));
        if (!refused)
            h.dialogs.inputNext(QStringLiteral("drop"));
        h.yield.at(2, [&] { h.click(inner); });
        h.click(outer);
        QCOMPARE(inputPrompts(h.dialogs).size(), refused ? 1 : 2);
        auto expected = [&](int button) {
            return button == 4 || button == 13 ? QStringList{"/keep/x.doc", "/keep/z.doc"} : QStringList{"/drop/y.txt"};
        };
        QCOMPARE(paneEntries(paneOf(h, outer)), expected(outer));
        if (!refused)
            QCOMPARE(paneEntries(paneOf(h, inner)), expected(inner));
        QVERIFY(h.dialogs.messages().isEmpty());
        QCOMPARE(h.form().MousePointer.value(), Pointer::Default);
        QVERIFY(!removalScanning(h.form().FolderList) && !removalScanning(h.form().ResultList));
    }

    // An assistive tool presses the results' "Clear List" while a removal takes scattered rows out of a large
    // pane and repaints: the clearing waits for the removal. (It ran inside the repaint, and cleared the rows
    // the removal was still copying.)
    void aPressWhileARemovalRepaintsWaitsForIt()
    {
        WindowHarness h;
        h.start();
        PaneModel& results = h.form().ResultList;
        QStringList kept;
        for (int i = 0; i < 30000; ++i) {
            const QString row = QStringLiteral("/data/%1/file%2.%3").arg(i % 7).arg(i).arg(i % 3 ? "txt" : "md");
            results.append(row);
            if (i % 3)
                kept.append(row);
        }
        QTRY_COMPARE(results.rowCount(), 30000); // the view is told of them: their removal repaints it
        QtYield painting(h.gate);
        QPushButton* clear = h.window().PushButton(8);
        QSignalSpy clicked(clear, &QPushButton::clicked);
        h.yield.atPaint([&] {
            QAccessible::queryAccessibleInterface(clear)->actionInterface()->doAction(
                QAccessibleActionInterface::pressAction());
            QElapsedTimer waited;
            waited.start();
            while (clicked.isEmpty() && waited.elapsed() < 5000)
                painting.paintOnly();
        });
        h.dialogs.inputNext(QStringLiteral(".md"));
        h.click(4);
        QCOMPARE(clicked.count(), 1); // the press came while the removal repainted
        QCOMPARE(h.resultEntries(), kept);
        QTRY_VERIFY(h.resultEntries().isEmpty());
    }

    // The real input box: empty each time, whatever was typed before; Cancel answers "".
    void inputBoxStartsEmpty()
    {
        CommandGate gate;
        QtDialogs dialogs(gate);
        QStringList seen;
        auto answer = [&](const QString& typed, bool accept) {
            QTimer::singleShot(0, [&seen, typed, accept] {
                auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
                if (!box)
                    return;
                seen.append(box->textValue());
                box->setTextValue(typed);
                accept ? box->accept() : box->reject();
            });
        };
        answer(QStringLiteral("abc"), true);
        QCOMPARE(dialogs.inputBox(kContaining, QStringLiteral("Tallyfold")), QStringLiteral("abc"));
        answer(QStringLiteral("typed, then cancelled"), false);
        QCOMPARE(dialogs.inputBox(kContaining, QStringLiteral("Tallyfold")), QString());
        QCOMPARE(seen, (QStringList{QString(), QString()}));
    }
};

QTEST_MAIN(TestRemoveEntries)
#include "test_remove_entries.moc"
