// The window against its control table: kinds, captions, places, fonts, keyboard order; the hover pointer; the
// panes' menus.
#include "PaneEntries.h"
#include "TestTree.h"
#include "WindowHarness.h"
#include "app/PaneMenus.h"
#include "app/PaneView.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolTip>
#include <QtTest>

class TestWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void buttonsStandWhereTheTableSays_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("place"); // pixels at 15 twips a pixel, relative to the parent
        QTest::addColumn<bool>("inFrame");
        QTest::newRow("PushButton6") << 6 << "1. Add Folders and Subfolders" << QRect(8, 138, 256, 27) << false;
        QTest::newRow("PushButton2") << 2 << "Load Folders From Text File" << QRect(272, 138, 256, 27) << false;
        QTest::newRow("PushButton9") << 9 << "Clear List" << QRect(8, 172, 256, 27) << false;
        QTest::newRow("PushButton3") << 3 << "Load Sample/Example Data" << QRect(272, 172, 256, 27) << false;
        QTest::newRow("PushButton13") << 13 << "Remove Filenames Containing X" << QRect(8, 206, 256, 27) << false;
        QTest::newRow("PushButton14") << 14 << "Remove Filenames Not Cont. X" << QRect(272, 206, 256, 27) << false;
        QTest::newRow("PushButton15") << 15 << "All Files" << QRect(400, 20, 64, 23) << true;
        QTest::newRow("PushButton12") << 12 << "?" << QRect(472, 20, 32, 23) << true;
        QTest::newRow("PushButton5") << 5 << "2. Start Creating List" << QRect(8, 299, 520, 27) << false;
        QTest::newRow("PushButton7") << 7 << "3. Save Results As Text File" << QRect(8, 462, 256, 27) << false;
        QTest::newRow("PushButton1") << 1 << "3. Copy Results To Clipboard" << QRect(272, 462, 256, 27) << false;
        QTest::newRow("PushButton8") << 8 << "Clear List" << QRect(8, 496, 256, 27) << false;
        QTest::newRow("PushButton11") << 11 << "Help" << QRect(272, 496, 256, 27) << false;
        QTest::newRow("PushButton4") << 4 << "Remove Filenames Containing X" << QRect(8, 530, 256, 27) << false;
        QTest::newRow("PushButton10") << 10 << "Remove Filenames Not Cont. X" << QRect(272, 530, 256, 27) << false;
    }
    void buttonsStandWhereTheTableSays()
    {
        QFETCH(int, number);
        QFETCH(QString, caption);
        QFETCH(QRect, place);
        QFETCH(bool, inFrame);
        WindowHarness h;
        MainWindow& window = h.start();
        QPushButton* button = window.PushButton(number);
        QVERIFY(button);
        QCOMPARE(button->objectName(), QStringLiteral("PushButton%1").arg(number));
        QCOMPARE(button->text(), caption);
        QCOMPARE(button->geometry(), place);
        QCOMPARE(button->parentWidget(), inFrame ? static_cast<QWidget*>(window.Frame1()) : &window);
        QCOMPARE(button->font().family(), QStringLiteral("Arial"));
        QCOMPARE(button->font().pointSizeF(), 11.25);
        QVERIFY(button->font().bold());
        QCOMPARE(button->accessibleName(), caption);
        // The caption shows whole inside the button's frame, at any scale (CTest runs this program at 100 % and
        // at 200 %).
        const int frame = button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
        QVERIFY2(QFontMetrics(button->font()).horizontalAdvance(caption) + 2 * frame <= place.width(),
                 qPrintable(caption));
    }

    void panesFrameAndFilterBox()
    {
        WindowHarness h;
        MainWindow& window = h.start();
        QCOMPARE(window.size(), QSize(536, 563));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
        QCOMPARE(window.ListView1()->geometry(), QRect(8, 8, 520, 123));
        QCOMPARE(window.ListView2()->geometry(), QRect(8, 333, 520, 123));
        QCOMPARE(window.Frame1()->geometry(), QRect(8, 238, 520, 53));
        QCOMPARE(window.Frame1()->title(), QStringLiteral("Filter: Only retrieve files with this file extension:"));
        QVERIFY(QFontMetrics(window.Frame1()->font()).horizontalAdvance(window.Frame1()->title()) < 520);
        // At any scale the window keeps its size in the desktop's units, drawn with as many more pixels.
        QCOMPARE(window.grab().size(), window.size() * window.devicePixelRatio());
        QCOMPARE(window.Text1()->geometry(), QRect(16, 20, 377, 23));
        QCOMPARE(window.Text1()->parentWidget(), window.Frame1());
        for (QWidget* widget : std::initializer_list<QWidget*>{&window, window.Frame1(), window.Text1(),
                                                               window.ListView1(), window.ListView2()}) {
            QCOMPARE(widget->font().family(), QStringLiteral("Arial"));
            QCOMPARE(widget->font().pointSizeF(), 9.0);
            QVERIFY(widget->font().bold());
        }
        QCOMPARE(window.ListView1()->toolTip(),
                 QStringLiteral("Double-click item to remove it. Move | line to right and out of window to reveal "
                                "full names."));
        QCOMPARE(window.ListView2()->toolTip(),
                 QStringLiteral("Move | line to right and out of window to reveal full names."));
    }

    // Over an entry the pane showed the entry's path instead of its own tooltip.
    void thePanesTooltipShowsWhereverThePointerIs_data()
    {
        QTest::addColumn<int>("pane");
        QTest::addColumn<bool>("overEntry");
        QTest::addColumn<QString>("tip");
        const QString reveal = QStringLiteral("Move | line to right and out of window to reveal full names.");
        const QString folders = QStringLiteral("Double-click item to remove it. ") + reveal;
        QTest::newRow("folders, over an entry") << 1 << true << folders;
        QTest::newRow("folders, below the entries") << 1 << false << folders;
        QTest::newRow("results, over an entry") << 2 << true << reveal;
        QTest::newRow("results, below the entries") << 2 << false << reveal;
    }
    void thePanesTooltipShowsWhereverThePointerIs()
    {
        QFETCH(int, pane);
        QFETCH(bool, overEntry);
        QFETCH(QString, tip);
        WindowHarness h;
        MainWindow& window = h.start();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        PaneModel& list = pane == 1 ? h.form().FolderList : h.form().ResultList;
        PaneView* view = pane == 1 ? window.ListView1() : window.ListView2();
        list.append(QStringLiteral("/a/b/"));
        list.announce();
        const QPoint at =
            overEntry ? view->visualRect(list.index(0, 0)).center() : QPoint(10, view->viewport()->height() - 5);
        QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(view->viewport(), &help);
        QTRY_COMPARE(QToolTip::text(), tip);
        QToolTip::hideText();
    }

    void onlyTheResultsPaneHasCheckBoxesAndHotTracking()
    {
        WindowHarness h;
        h.start();
        h.form().FolderList.append(QStringLiteral("/a/"));
        h.form().ResultList.append(QStringLiteral("/a/b"));
        h.form().FolderList.announce();
        h.form().ResultList.announce();
        const QModelIndex folder = h.form().FolderList.index(0, 0), result = h.form().ResultList.index(0, 0);
        QVERIFY(!(folder.flags() & Qt::ItemIsUserCheckable));
        QVERIFY(result.flags() & Qt::ItemIsUserCheckable);
        QVERIFY(!result.data(Qt::CheckStateRole).isNull());
        QVERIFY(folder.data(Qt::CheckStateRole).isNull());
        QVERIFY(!(result.flags() & Qt::ItemIsEditable));
        QVERIFY(h.window().ListView2()->hasMouseTracking());
        QVERIFY(!h.window().ListView1()->hasMouseTracking() ||
                !h.window().ListView1()->viewport()->testAttribute(Qt::WA_Hover));
        for (PaneView* view : {h.window().ListView1(), h.window().ListView2()}) {
            QCOMPARE(view->selectionMode(), QAbstractItemView::SingleSelection);
            QCOMPARE(view->editTriggers(), QAbstractItemView::NoEditTriggers);
        }
    }

    void tabOrderFollowsTheTable()
    {
        WindowHarness h;
        MainWindow& window = h.start();
        // Tab 0 to 18 without Frame1 (13), which takes no focus.
        const QList<QWidget*> expected = {window.ListView1(),    window.ListView2(),    window.PushButton(6),
                                          window.PushButton(5),  window.PushButton(7),  window.PushButton(8),
                                          window.PushButton(9),  window.PushButton(1),  window.PushButton(2),
                                          window.PushButton(3),  window.PushButton(4),  window.PushButton(10),
                                          window.PushButton(11), window.Text1(),        window.PushButton(12),
                                          window.PushButton(13), window.PushButton(14), window.PushButton(15)};
        QWidget* widget = expected.first();
        for (int i = 1; i < expected.size(); ++i) {
            widget = widget->nextInFocusChain();
            while (widget->focusPolicy() == Qt::NoFocus)
                widget = widget->nextInFocusChain();
            QVERIFY2(widget == expected[i],
                     qPrintable(QStringLiteral("tab %1 is %2").arg(i).arg(widget->objectName())));
        }
    }

    void spaceActivatesTheFocusedButtonAndEveryControlHasAName()
    {
        WindowHarness h;
        MainWindow& window = h.start();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.PushButton(11)->setFocus();
        QTest::keyClick(window.PushButton(11), Qt::Key_Space);
        QCOMPARE(h.dialogs.messages().size(), 1);
        QVERIFY(h.dialogs.messages()[0].startsWith(QStringLiteral("Questions?")));
        QCOMPARE(window.ListView1()->accessibleName(), QStringLiteral("Directories (Folders)"));
        QCOMPARE(window.ListView2()->accessibleName(), QStringLiteral("Results (List of Files)"));
        QVERIFY(!window.Text1()->accessibleName().isEmpty());
    }

    void hoverShowsTheHandOverButtonsAndLeavesTheHourglass()
    {
        WindowHarness h;
        MainWindow& window = h.start();
        auto moveOver = [](QWidget* widget) {
            QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), widget->mapToGlobal(QPointF(3, 3)), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(widget, &move);
        };
        moveOver(window.PushButton(5));
        QCOMPARE(window.form().MousePointer.value(), 99);
        moveOver(window.ListView2()->viewport());
        QCOMPARE(window.form().MousePointer.value(), 0);
        moveOver(window.PushButton(15));
        QCOMPARE(window.form().MousePointer.value(), 99);
        moveOver(window.Text1());
        QCOMPARE(window.form().MousePointer.value(), 0);
        moveOver(window.PushButton(1));
        moveOver(&window);
        QCOMPARE(window.form().MousePointer.value(), 0);

        window.form().MousePointer.setValue(Pointer::Busy);
        QCOMPARE(window.cursor().shape(), Qt::WaitCursor);
        moveOver(window.PushButton(5));
        moveOver(window.ListView1()->viewport());
        moveOver(window.Frame1());
        QCOMPARE(window.form().MousePointer.value(), 11);
        QCOMPARE(window.cursor().shape(), Qt::WaitCursor);
    }

    void helpNamesTheContactPageAlsoWhileBusy()
    {
        WindowHarness h;
        MainWindow& window = h.start();
        window.form().MousePointer.setValue(Pointer::Busy);
        h.click(11);
        QCOMPARE(h.dialogs.calls().size(), size_t(1));
        const auto& call = h.dialogs.calls()[0];
        QCOMPARE(call.text,
                 QStringLiteral("Questions? Please contact Team Quillmark at https://quillmark.example/contact"));
        QCOMPARE(call.buttons, 0);
        QCOMPARE(call.title, QStringLiteral("Tallyfold"));
        QCOMPARE(window.form().MousePointer.value(), 11);
    }

    // The harness fails a test that leaves a primed answer or a placed action unused, and one whose command
    // met a dialog without an answer; a test that takes the problems judges them itself.
    void theHarnessFailsOnScriptsLeftUnused()
    {
        QStringList left;
        {
            WindowHarness h;
            h.onProblemsLeft = [&](const QStringList& problems) { left = problems; };
            h.start();
            h.dialogs.inputNext(QStringLiteral("never asked"));
            h.yield.at(1, [] {});
            h.click(11); // help: one OK box, no question and no yield
        }
        QCOMPARE(left, (QStringList{"input box answer never taken: never asked",
                                    "an action for yield 1 never ran (0 yields)"}));
        {
            WindowHarness h;
            h.onProblemsLeft = [&](const QStringList& problems) { left = problems; };
            h.start();
            h.click(4); // asks for a text that was never primed
        }
        QCOMPARE(left.size(), 1);
        QVERIFY2(left[0].startsWith(QStringLiteral("input box without an answer: ")), qPrintable(left[0]));
        left.clear();
        {
            WindowHarness h;
            h.onProblemsLeft = [&](const QStringList& problems) { left = problems; };
            h.dialogs.saveNext(QStringLiteral("/never/used"));
            QCOMPARE(h.takeProblems(), QStringList{"file-save choice never taken: /never/used"});
        }
        QCOMPARE(left, QStringList{});
    }

    // The right-click menus: what cannot apply is off, "Copy Path" takes the ticked rows or the row, and an item
    // chosen while a running command only repaints waits for it to end, as a click would.
    void theMenusActThroughTheGate()
    {
        TestTree tree;
        tree.folder(QStringLiteral("picked/sub"));
        WindowHarness h;
        MainWindow& window = h.start();
        Form& form = h.form();
        PaneMenus& menus = *window.paneMenus();
        const auto items = [&](PaneView* view, int row) {
            menus.open(*view, row, {});
            QStringList shown;
            for (QAction* item : menus.openMenu()->actions())
                if (!item->isSeparator())
                    shown.append(item->text() + (item->isEnabled() ? "" : " -"));
            return shown;
        };
        const auto choose = [&](const QString& text) {
            for (QAction* item : menus.openMenu()->actions())
                if (item->text() == text)
                    return item;
            return static_cast<QAction*>(nullptr);
        };
        // Nothing opens a file in the tests: the Open items stay off.
        QCOMPARE(items(window.ListView1(), 0),
                 (QStringList{"Open Folder -", "Copy Path -", "Sort A to Z -", "Save Folder List As… -"}));
        QCOMPARE(items(window.ListView2(), 0), (QStringList{"Open -", "Show in Folder -", "Copy Path -", "Tick All -",
                                                            "Untick All -", "Sort A to Z -", "Export as CSV… -"}));
        fill(form.ResultList, {QStringLiteral("/a"), QStringLiteral("/b"), QStringLiteral("/c")});
        QCOMPARE(items(window.ListView2(), 2), (QStringList{"Open -", "Show in Folder -", "Copy Path", "Tick All",
                                                            "Untick All", "Sort A to Z", "Export as CSV…"}));
        choose(QStringLiteral("Copy Path"))->trigger();
        QCOMPARE(h.clipboard.text, QStringLiteral("/b\r\n"));
        form.ResultList.setChecked(1, true);
        form.ResultList.setChecked(3, true);
        items(window.ListView2(), 3);
        choose(QStringLiteral("Copy Path"))->trigger();
        QCOMPARE(h.clipboard.text, QStringLiteral("/a\r\n/c\r\n"));
        for (const QKeyCombination key : {QKeyCombination(Qt::ShiftModifier, Qt::Key_F10), QKeyCombination(Qt::Key_Menu)}) {
            const QMenu* before = menus.openMenu();
            QTest::keyClick(window.ListView2(), key.key(), key.keyboardModifiers());
            QVERIFY(menus.openMenu() && menus.openMenu() != before);
        }

        items(window.ListView2(), 2);
        QAction* untickAll = choose(QStringLiteral("Untick All"));
        h.dialogs.folderNext(tree.path(QStringLiteral("picked")));
        std::optional<bool> untickedDuring;
        QStringList offDuring;
        h.yield.atPaint([&] {
            const CommandGate::Scope repainting(h.gate, CommandGate::Moment::Waiting); // as the window's yield
            untickAll->trigger();
            untickedDuring = !form.ResultList.checked(1);
            offDuring = items(window.ListView1(), 1);
        });
        h.click(6); // "1. Add Folders and Subfolders": a repaint-only yield after each folder it adds
        QCOMPARE(untickedDuring, std::optional(false));
        QCOMPARE(offDuring, (QStringList{"Open Folder -", "Copy Path -", "Sort A to Z -", "Save Folder List As… -"}));
        QTRY_VERIFY(!form.ResultList.checked(1) && !form.ResultList.checked(3));
        QCOMPARE(h.folderEntries().size(), 2);
    }

    void closingEndsEveryWaitingCommand()
    {
        WindowHarness h;
        MainWindow& window = h.start();
        window.show();
        window.close();
        QVERIFY_THROWS_EXCEPTION(ProgramClosing, h.yield.DoEvents());
        QVERIFY_THROWS_EXCEPTION(ProgramClosing, h.form().tools().MsgBox(QStringLiteral("never shown")));
        QVERIFY(h.dialogs.calls().empty());
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
