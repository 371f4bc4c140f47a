// Taking single entries out of either pane and clearing them: the Delete key, the double-click, "Clear List".
#include "PaneEntries.h"
#include "TestTree.h"
#include "WindowHarness.h"
#include "app/PaneView.h"

#include <QScrollBar>
#include <QtTest>

namespace {

const QStringList kEntries = {"/one/", "/two/", "/three/"};

PaneView* viewOf(MainWindow& window, int pane)
{
    return pane == 1 ? window.ListView1() : window.ListView2();
}

PaneModel& paneOf(WindowHarness& h, int pane)
{
    return pane == 1 ? h.form().FolderList : h.form().ResultList;
}

// The area of a widget painted since the last look.
class Repaints : public QObject
{
public:
    explicit Repaints(QWidget* widget) : m_widget(widget) { widget->installEventFilter(this); }
    bool coverAll() const { return (QRegion(m_widget->rect()) - m_region).isEmpty(); }
    void forget() { m_region = QRegion(); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            m_region += static_cast<QPaintEvent*>(event)->region();
        return false;
    }

private:
    QWidget* m_widget;
    QRegion m_region;
};

QStringList without(QStringList entries, int position)
{
    if (position > 0)
        entries.removeAt(position - 1);
    return entries;
}

} // namespace

class TestPaneEditing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keyRemovesTheSelectedEntry_data()
    {
        QTest::addColumn<int>("pane");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("entries");  // how many of kEntries the pane holds
        QTest::addColumn<int>("selected"); // 0: none
        QTest::addColumn<bool>("busy");
        QTest::addColumn<int>("removed"); // position, 0: none
        for (int pane : {1, 2}) {
            const char* name = pane == 1 ? "folders" : "results";
            QTest::addRow("%s, Delete, first of three", name)
                << pane << int(Qt::Key_Delete) << 0 << 3 << 1 << false << 1;
            QTest::addRow("%s, Delete, middle", name) << pane << int(Qt::Key_Delete) << 0 << 3 << 2 << false << 2;
            QTest::addRow("%s, Delete, last", name) << pane << int(Qt::Key_Delete) << 0 << 3 << 3 << false << 3;
            QTest::addRow("%s, Shift+Delete", name)
                << pane << int(Qt::Key_Delete) << int(Qt::ShiftModifier) << 3 << 2 << false << 2;
            QTest::addRow("%s, Ctrl+Delete", name)
                << pane << int(Qt::Key_Delete) << int(Qt::ControlModifier) << 3 << 2 << false << 2;
            QTest::addRow("%s, keypad Delete", name)
                << pane << int(Qt::Key_Delete) << int(Qt::KeypadModifier) << 3 << 1 << false << 1;
            QTest::addRow("%s, Delete, nothing selected", name)
                << pane << int(Qt::Key_Delete) << 0 << 3 << 0 << false << 0;
            QTest::addRow("%s, Delete, empty pane", name) << pane << int(Qt::Key_Delete) << 0 << 0 << 0 << false << 0;
            QTest::addRow("%s, Delete while busy", name) << pane << int(Qt::Key_Delete) << 0 << 3 << 2 << true << 0;
            QTest::addRow("%s, Backspace", name) << pane << int(Qt::Key_Backspace) << 0 << 3 << 2 << false << 0;
            // Typing "." removed the selected entry: Qt gives the full stop the code 46, that of Delete.
            QTest::addRow("%s, full stop", name) << pane << int(Qt::Key_Period) << 0 << 3 << 2 << false << 0;
            QTest::addRow("%s, keypad full stop", name)
                << pane << int(Qt::Key_Period) << int(Qt::KeypadModifier) << 3 << 2 << false << 0;
            QTest::addRow("%s, letter", name) << pane << int(Qt::Key_D) << 0 << 3 << 2 << false << 0;
            QTest::addRow("%s, Insert", name) << pane << int(Qt::Key_Insert) << 0 << 3 << 2 << false << 0;
        }
    }
    void keyRemovesTheSelectedEntry()
    {
        QFETCH(int, pane);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, entries);
        QFETCH(int, selected);
        QFETCH(bool, busy);
        QFETCH(int, removed);
        WindowHarness h;
        MainWindow& window = h.start();
        const QStringList held = kEntries.mid(0, entries);
        fill(paneOf(h, pane), held);
        fill(paneOf(h, 3 - pane), {"/other/"});
        if (selected)
            viewOf(window, pane)->selectRow(selected);
        if (busy)
            h.form().MousePointer.setValue(Pointer::Busy);
        QTest::keyClick(viewOf(window, pane), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(paneEntries(paneOf(h, pane)), without(held, removed));
        QCOMPARE(paneEntries(paneOf(h, 3 - pane)), QStringList{"/other/"});
        QVERIFY(h.dialogs.calls().empty());
    }

    // The same press after the command has ended does remove the entry.
    void deleteWorksOnceTheHourglassIsGone_data()
    {
        QTest::addColumn<int>("pane");
        QTest::newRow("folders") << 1;
        QTest::newRow("results") << 2;
    }
    void deleteWorksOnceTheHourglassIsGone()
    {
        QFETCH(int, pane);
        WindowHarness h;
        MainWindow& window = h.start();
        fill(paneOf(h, pane), kEntries);
        viewOf(window, pane)->selectRow(2);
        h.form().MousePointer.setValue(Pointer::Busy);
        QTest::keyClick(viewOf(window, pane), Qt::Key_Delete);
        QCOMPARE(paneEntries(paneOf(h, pane)), kEntries);
        h.form().MousePointer.setValue(Pointer::Default);
        QTest::keyClick(viewOf(window, pane), Qt::Key_Delete);
        QCOMPARE(paneEntries(paneOf(h, pane)), without(kEntries, 2));
    }

    // While a command holds the hourglass, the folder pane's Clear List and Delete key fired from one of its
    // yields do nothing, so that the walk, a list's load and a removal's scan run undisturbed; once it is
    // gone the same key removes the entry.
    void folderPaneEditingWaitsForTheCommand_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QStringList>("before"); // "@" stands for the tree's folder
        QTest::addColumn<int>("yield");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("the walk") << 6 << QStringList{"kept"} << 1 << QStringList{"kept", "@/A/", "@/A/B/"};
        QTest::newRow("a list's load") << 2 << QStringList{} << 2 << QStringList{"/a/", "/b/", "/c/"};
        QTest::newRow("a folder removal's scan") << 13 << QStringList{"/a/", "/b/", "/ab/"} << 2 << QStringList{"/b/"};
    }
    void folderPaneEditingWaitsForTheCommand()
    {
        QFETCH(int, button);
        QFETCH(QStringList, before);
        QFETCH(int, yield);
        QFETCH(QStringList, after);
        TestTree tree({"A/B/"});
        tree.file(QStringLiteral("list.txt"), "/a/\n/b/\n/c/\n");
        after.replaceInStrings(QStringLiteral("@"), tree.path());
        WindowHarness h;
        MainWindow& window = h.start();
        fill(h.form().FolderList, before);
        if (button == 6)
            h.dialogs.folderNext(tree.path("A"));
        else if (button == 2)
            h.dialogs.openNext({tree.path("list.txt")});
        else
            h.dialogs.inputNext(QStringLiteral("a"));
        int pointer = -1;
        h.yield.at(yield, [&] {
            pointer = h.form().MousePointer.value();
            h.form().FolderList.announce();
            h.click(9);
            window.ListView1()->selectRow(1);
            QTest::keyClick(window.ListView1(), Qt::Key_Delete);
        });
        h.click(button);
        QCOMPARE(pointer, Pointer::Busy);
        QCOMPARE(h.folderEntries(), after);
        QCOMPARE(h.dialogs.messages(), QStringList{});
        h.form().FolderList.announce();
        window.ListView1()->selectRow(1);
        QTest::keyClick(window.ListView1(), Qt::Key_Delete);
        QCOMPARE(h.folderEntries(), after.mid(1));
    }

    // A double-click removes the folder pane's selected entry; the results pane has no double-click command.
    // Only the primary button's double-click counts: a right or middle one removed the entry too.
    void doubleClickRemovesFromFolderPaneOnly_data()
    {
        QTest::addColumn<int>("pane");
        QTest::addColumn<int>("clicked"); // the row double-clicked, 0: the empty space below the rows
        QTest::addColumn<bool>("busy");
        QTest::addColumn<int>("removed");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::newRow("folders, first row") << 1 << 1 << false << 1 << Qt::LeftButton;
        QTest::newRow("folders, last row") << 1 << 3 << false << 3 << Qt::LeftButton;
        QTest::newRow("folders, below the rows, nothing selected") << 1 << 0 << false << 0 << Qt::LeftButton;
        QTest::newRow("folders, while busy") << 1 << 2 << true << 0 << Qt::LeftButton;
        QTest::newRow("results, a row") << 2 << 2 << false << 0 << Qt::LeftButton;
        QTest::newRow("folders, right button") << 1 << 2 << false << 0 << Qt::RightButton;
        QTest::newRow("folders, middle button") << 1 << 2 << false << 0 << Qt::MiddleButton;
    }
    void doubleClickRemovesFromFolderPaneOnly()
    {
        QFETCH(int, pane);
        QFETCH(int, clicked);
        QFETCH(bool, busy);
        QFETCH(int, removed);
        QFETCH(Qt::MouseButton, button);
        WindowHarness h;
        MainWindow& window = h.start();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        fill(paneOf(h, pane), kEntries);
        PaneView* view = viewOf(window, pane);
        view->doItemsLayout();
        if (busy)
            h.form().MousePointer.setValue(Pointer::Busy);
        const QPoint at = clicked ? view->visualRect(paneOf(h, pane).index(clicked - 1, 0)).center()
                                  : QPoint(10, view->viewport()->height() - 5);
        if (button != Qt::LeftButton && clicked)
            view->selectRow(clicked); // the row stands selected, so only the button can keep it
        QTest::mouseDClick(view->viewport(), button, {}, at);
        QCOMPARE(paneEntries(paneOf(h, pane)), without(kEntries, removed));
    }

    // The folder pane's Clear List waits for the hourglass; the results pane's always clears.
    void clearList_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("entries");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("folders") << 9 << 3 << false << true;
        QTest::newRow("folders, empty pane") << 9 << 0 << false << true;
        QTest::newRow("folders, while busy") << 9 << 3 << true << false;
        QTest::newRow("results") << 8 << 3 << false << true;
        QTest::newRow("results, empty pane") << 8 << 0 << false << true;
        QTest::newRow("results, while busy") << 8 << 3 << true << true;
    }
    void clearList()
    {
        QFETCH(int, button);
        QFETCH(int, entries);
        QFETCH(bool, busy);
        QFETCH(bool, cleared);
        WindowHarness h;
        h.start();
        const int pane = button == 9 ? 1 : 2;
        const QStringList held = kEntries.mid(0, entries);
        fill(paneOf(h, pane), held);
        fill(paneOf(h, 3 - pane), {"/other/"});
        if (busy)
            h.form().MousePointer.setValue(Pointer::Busy);
        h.click(button);
        QCOMPARE(paneEntries(paneOf(h, pane)), cleared ? QStringList{} : held);
        QCOMPARE(paneEntries(paneOf(h, 3 - pane)), QStringList{"/other/"});
        QCOMPARE(h.form().MousePointer.value(), busy ? Pointer::Busy : Pointer::Default);
        QVERIFY(h.dialogs.calls().empty());
    }

    // A removal left the view showing the rows that were gone, with a scroll range for the old count, until
    // something else repainted it. 200 rows, scrolled to the end; then two removals.
    void aRemovalShowsTheRowsLeft_data()
    {
        QTest::addColumn<int>("pane");
        QTest::addColumn<bool>("alternating"); // "a" and "b" rows alternate, else 100 of each in a block
        QTest::addColumn<QString>("first");
        QTest::addColumn<int>("left");
        QTest::addColumn<QString>("second"); // takes every row left
        for (int pane : {1, 2}) {
            const QByteArray name = pane == 1 ? "folders, " : "results, ";
            QTest::newRow(name + "containing, then not containing")
                << pane << false << "containing" << 100 << "not containing";
            QTest::newRow(name + "a compacting pass, then Clear List")
                << pane << true << "containing" << 100 << "clear";
            QTest::newRow(name + "Delete, then Clear List") << pane << false << "delete" << 199 << "clear";
        }
    }
    void aRemovalShowsTheRowsLeft()
    {
        QFETCH(int, pane);
        QFETCH(bool, alternating);
        QFETCH(QString, first);
        QFETCH(int, left);
        QFETCH(QString, second);
        WindowHarness h;
        MainWindow& window = h.start();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        PaneModel& list = paneOf(h, pane);
        PaneView* view = viewOf(window, pane);
        QStringList entries;
        for (int i = 0; i < 200; ++i)
            entries << QStringLiteral("/%1/%2/").arg((alternating ? i % 2 : i / 100) ? "b" : "a").arg(i);
        fill(list, entries);
        QScrollBar* bar = view->verticalScrollBar();
        bar->setValue(bar->maximum());
        Repaints repaints(view->viewport());
        auto remove = [&](const QString& how) {
            if (how == QLatin1String("delete")) {
                view->selectRow(list.count());
                QTest::keyClick(view, Qt::Key_Delete);
            } else if (how == QLatin1String("clear")) {
                h.click(pane == 1 ? 9 : 8);
            } else {
                h.dialogs.inputNext(QStringLiteral("b"));
                const bool containing = how == QLatin1String("containing");
                h.click(pane == 1 ? (containing ? 13 : 14) : (containing ? 4 : 10));
            }
            QCoreApplication::processEvents();
        };
        const QRect whole = view->viewport()->rect();

        remove(first);
        QCOMPARE(list.count(), left);
        QCOMPARE(bar->maximum(), left * view->rowHeight() - view->viewport()->height());
        QTRY_VERIFY(repaints.coverAll());
        repaints.forget();
        // Still at the end: the bottom of the view shows the last row left.
        QCOMPARE(view->indexAt(QPoint(1, whole.height() - 1)).row(), left - 1);

        remove(second);
        QCOMPARE(list.count(), 0);
        QCOMPARE(bar->maximum(), 0);
        QVERIFY(!bar->isVisible());
        QTRY_VERIFY(repaints.coverAll());
    }

    // Check marks go with their rows when a row above is deleted, whoever ticked them.
    void checkMarksFollowTheirRows_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<bool>("byUser"); // ticked through the view's model, else by the program
        QTest::addColumn<int>("ticked");
        QTest::addColumn<int>("deleted");
        QTest::addColumn<QString>("marks"); // of the rows left: "x" ticked, "." clear
        QTest::newRow("ticked by the program, the first row deleted") << kEntries << false << 3 << 1 << ".x";
        QTest::newRow("ticked by the user, the first row deleted")
            << QStringList{"a", "b", "c", "d"} << true << 3 << 1 << ".x.";
    }
    void checkMarksFollowTheirRows()
    {
        QFETCH(QStringList, entries);
        QFETCH(bool, byUser);
        QFETCH(int, ticked);
        QFETCH(int, deleted);
        QFETCH(QString, marks);
        WindowHarness h;
        MainWindow& window = h.start();
        PaneModel& pane = h.form().ResultList;
        QAbstractItemModelTester tester(&pane, QAbstractItemModelTester::FailureReportingMode::QtTest);
        fill(pane, entries);
        if (byUser)
            QVERIFY(pane.setData(pane.index(ticked - 1, 0), Qt::Checked, Qt::CheckStateRole));
        else
            pane.setChecked(ticked, true);
        window.ListView2()->selectRow(deleted);
        QTest::keyClick(window.ListView2(), Qt::Key_Delete);
        entries.removeAt(deleted - 1);
        QCOMPARE(h.resultEntries(), entries);
        QString seen, shown;
        for (int row = 1; row <= pane.count(); ++row) {
            seen += pane.checked(row) ? u'x' : u'.';
            shown += pane.index(row - 1, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked ? u'x' : u'.';
        }
        QCOMPARE(seen, marks);
        QCOMPARE(shown, marks);
    }

    void panesPassTheModelTester()
    {
        WindowHarness h;
        MainWindow& window = h.start();
        QAbstractItemModelTester folders(&h.form().FolderList, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester results(&h.form().ResultList, QAbstractItemModelTester::FailureReportingMode::QtTest);
        fill(h.form().FolderList, kEntries);
        fill(h.form().ResultList, kEntries);
        window.ListView1()->selectRow(2);
        QTest::keyClick(window.ListView1(), Qt::Key_Delete);
        window.ListView2()->selectRow(3);
        QTest::keyClick(window.ListView2(), Qt::Key_Delete);
        h.click(9);
        h.click(8);
        QCOMPARE(h.form().FolderList.count(), 0);
        QCOMPARE(h.form().ResultList.count(), 0);
    }
};

QTEST_MAIN(TestPaneEditing)
#include "test_pane_editing.moc"
