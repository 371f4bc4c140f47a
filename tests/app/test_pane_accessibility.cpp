// What assistive technology reads of a pane: a table with a header, cells with the entries' texts, check
// boxes in the results pane, model-change events per batch, and the results pane's keyboard.
#include "app/PaneAccessibility.h"
#include "app/PaneView.h"
#include "panes/PaneModel.h"

#include <QAccessible>
#include <QHeaderView>
#include <QtTest>

namespace {
struct Seen
{
    QObject* object;
    QAccessible::Event type;
    int change; // the model change, or -1
    int first, last;
};
QList<Seen> g_seen;

void record(QAccessibleEvent* event)
{
    if (event->type() == QAccessible::TableModelChanged) {
        auto* change = static_cast<QAccessibleTableModelChangeEvent*>(event);
        g_seen.append(
            {event->object(), event->type(), change->modelChangeType(), change->firstRow(), change->lastRow()});
    } else {
        g_seen.append({event->object(), event->type(), -1, -1, -1});
    }
}

// The row changes told of the view (its header, a view too, tells its own).
QList<Seen> modelChanges(const PaneView& view)
{
    QList<Seen> changes;
    for (const Seen& seen : std::as_const(g_seen))
        if (seen.object == &view && seen.type == QAccessible::TableModelChanged &&
            seen.change != QAccessibleTableModelChangeEvent::DataChanged &&
            seen.change != QAccessibleTableModelChangeEvent::ColumnsInserted)
            changes.append(seen);
    return changes;
}
} // namespace

class TestPaneAccessibility : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        installPaneAccessibility(); // the window installs it; these views have none
        QAccessible::installUpdateHandler(record);
        // Active once the bridge has found the AT-SPI bus.
        QAccessible::queryAccessibleInterface(qApp);
        QTRY_VERIFY_WITH_TIMEOUT(QAccessible::isActive(), 20000);
    }

    void init() { g_seen.clear(); }

    void tableOfEntries()
    {
        PaneModel pane(false);
        pane.addColumn(QStringLiteral("Directories (Folders)"));
        PaneView view(pane, false);
        const QStringList texts = {QStringLiteral("/home/a/"), QStringLiteral("/tmp/Größe 日本/"), QString()};
        for (const QString& text : texts)
            pane.append(text);
        pane.announce();

        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&view);
        QVERIFY(table && table->tableInterface());
        QCOMPARE(table->role(), QAccessible::Table);
        QCOMPARE(table->tableInterface()->rowCount(), 3);
        QCOMPARE(table->tableInterface()->columnCount(), 1);
        QCOMPARE(table->childCount(), 4); // the header and three cells
        QCOMPARE(table->child(0)->role(), QAccessible::ColumnHeader);
        QCOMPARE(table->child(0)->text(QAccessible::Name), QStringLiteral("Directories (Folders)"));
        for (int row = 0; row < 3; ++row) {
            QAccessibleInterface* cell = table->tableInterface()->cellAt(row, 0);
            QCOMPARE(cell->role(), QAccessible::Cell);
            QCOMPARE(cell->text(QAccessible::Name), texts[row]);
            QCOMPARE(cell->tableCellInterface()->rowIndex(), row);
            QCOMPARE(table->child(row + 1), cell);
            QCOMPARE(table->indexOfChild(cell), row + 1);
            QVERIFY(!cell->state().checkable);
            QVERIFY(!cell->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
        }
        QCOMPARE(table->tableInterface()->cellAt(3, 0), nullptr);
        QCOMPARE(table->tableInterface()->cellAt(0, 1), nullptr);

        view.selectRow(2);
        QCOMPARE(table->tableInterface()->selectedRows(), QList<int>{1});
        QVERIFY(table->tableInterface()->cellAt(1, 0)->state().selected);
        QVERIFY(!table->tableInterface()->cellAt(0, 0)->state().selected);
    }

    void checkBoxesOfResults()
    {
        PaneModel pane(true);
        pane.addColumn(QStringLiteral("Results (List of Files)"));
        PaneView view(pane, true);
        for (const char* text : {"/a/1.txt", "/a/2.txt"})
            pane.append(QString::fromUtf8(text));
        pane.announce();
        QAccessibleTableInterface* table = QAccessible::queryAccessibleInterface(&view)->tableInterface();
        QAccessibleInterface* first = table->cellAt(0, 0);
        QAccessibleInterface* second = table->cellAt(1, 0);
        QVERIFY(first->state().checkable);
        QVERIFY(!first->state().checked);

        pane.setChecked(2, true);
        QVERIFY(second->state().checked);
        QVERIFY(!first->state().checked);

        first->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(pane.checked(1));
        QVERIFY(first->state().checked);
        bool told = false;
        for (const Seen& seen : std::as_const(g_seen))
            told = told || seen.type == QAccessible::StateChanged;
        QVERIFY(told);
        first->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(!pane.checked(1));
    }

    void eventsPerBatch()
    {
        PaneModel pane(true);
        pane.addColumn(QStringLiteral("Results (List of Files)"));
        PaneView view(pane, true);
        g_seen.clear(); // what the view told of itself as it was made
        for (int i = 0; i < 1000; ++i)
            pane.append(QStringLiteral("/t/%1").arg(i));
        QCoreApplication::processEvents();
        QAccessibleTableInterface* table = QAccessible::queryAccessibleInterface(&view)->tableInterface();
        QCOMPARE(modelChanges(view).size(), 1);
        QCOMPARE(modelChanges(view)[0].change, int(QAccessibleTableModelChangeEvent::RowsInserted));
        QCOMPARE(modelChanges(view)[0].first, 0);
        QCOMPARE(modelChanges(view)[0].last, 999);
        QCOMPARE(table->rowCount(), 1000);

        QAccessibleInterface* later = table->cellAt(10, 0);
        const QAccessible::Id gone = QAccessible::uniqueId(table->cellAt(3, 0));
        g_seen.clear();
        pane.removePositions({3, 4, 5}); // rows 2 to 4 counted from 0
        QCOMPARE(modelChanges(view).size(), 1);
        QCOMPARE(modelChanges(view)[0].change, int(QAccessibleTableModelChangeEvent::RowsRemoved));
        QCOMPARE(modelChanges(view)[0].first, 2);
        QCOMPARE(modelChanges(view)[0].last, 4);
        QCOMPARE(table->rowCount(), 997);
        // The cell below moved up with its row; the removed row's cell is not handed out again.
        QCOMPARE(later->tableCellInterface()->rowIndex(), 7);
        QCOMPARE(table->cellAt(7, 0), later);
        QCOMPARE(later->text(QAccessible::Name), QStringLiteral("/t/10"));
        QCOMPARE(QAccessible::accessibleInterface(gone), nullptr);
        QCOMPARE(table->cellAt(2, 0)->text(QAccessible::Name), QStringLiteral("/t/5"));

        g_seen.clear();
        pane.clear();
        QCOMPARE(modelChanges(view).size(), 1);
        QCOMPARE(modelChanges(view)[0].change, int(QAccessibleTableModelChangeEvent::ModelReset));
        QCOMPARE(table->rowCount(), 0);
        QCOMPARE(table->cellAt(0, 0), nullptr);
    }

    void keyboardOfResults()
    {
        PaneModel pane(true);
        pane.addColumn(QStringLiteral("Results (List of Files)"));
        PaneView view(pane, true);
        view.resize(400, 10 * view.rowHeight() + view.header()->sizeHint().height() + 4);
        for (int i = 0; i < 100; ++i)
            pane.append(QStringLiteral("/k/%1").arg(i));
        pane.announce();
        view.show();
        view.activateWindow();
        view.setFocus();
        // The view reports its focused cell only once the window is active, which a busy machine grants late.
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QTRY_VERIFY(view.hasFocus());
        view.selectRow(1);

        QTest::keyClick(&view, Qt::Key_Space);
        QVERIFY(pane.checked(1));
        QTest::keyClick(&view, Qt::Key_Space);
        QVERIFY(!pane.checked(1));

        const auto currentRow = [&] { return view.currentIndex().row(); };
        const auto shown = [&] { return view.viewport()->rect().contains(view.visualRect(view.currentIndex())); };
        QTest::keyClick(&view, Qt::Key_Down);
        QCOMPARE(currentRow(), 1);
        QTest::keyClick(&view, Qt::Key_End);
        QCOMPARE(currentRow(), 99);
        QVERIFY(shown());
        QTest::keyClick(&view, Qt::Key_Space);
        QVERIFY(pane.checked(100));
        QVERIFY(!pane.checked(99));
        QTest::keyClick(&view, Qt::Key_Up);
        QCOMPARE(currentRow(), 98);
        QTest::keyClick(&view, Qt::Key_Home);
        QCOMPARE(currentRow(), 0);
        QVERIFY(shown());
        QTest::keyClick(&view, Qt::Key_PageDown);
        QVERIFY(currentRow() >= 5 && currentRow() <= 10);
        QVERIFY(shown());
        QTest::keyClick(&view, Qt::Key_PageDown);
        QTest::keyClick(&view, Qt::Key_PageDown);
        QVERIFY(currentRow() >= 15);
        QVERIFY(shown());
        QTest::keyClick(&view, Qt::Key_PageUp);
        QVERIFY(shown());
        // The current row's cell has the focus for assistive technology.
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&view);
        QVERIFY(table->focusChild());
        QCOMPARE(table->focusChild()->tableCellInterface()->rowIndex(), currentRow());
        QVERIFY(table->focusChild()->state().focused);
    }
};

QTEST_MAIN(TestPaneAccessibility)
#include "test_pane_accessibility.moc"
