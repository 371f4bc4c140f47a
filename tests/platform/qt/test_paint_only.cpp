// The yield of a read that must not yield: the window repaints and timers run, a drop is refused (it cannot
// wait as a click does), a window that closes meanwhile does not end the read, and input held during a wait
// stays held there.
#include "base/Failure.h"
#include "platform/qt/CommandGate.h"
#include "platform/qt/QtCallWaiter.h"
#include "platform/qt/QtYield.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <atomic>
#include <thread>

namespace {

class PaintCounter : public QWidget
{
public:
    PaintCounter() { setAcceptDrops(true); }
    int paints = 0;
    int drops = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
    void dragEnterEvent(QDragEnterEvent* event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent* event) override
    {
        ++drops;
        event->acceptProposedAction();
    }
};

} // namespace

class TestPaintOnly : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void paintsAndLetsAClosedWindowFinishTheRead()
    {
        PaintCounter widget;
        widget.resize(50, 50);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        QTimer dirty;
        connect(&dirty, &QTimer::timeout, &widget, qOverload<>(&QWidget::update));
        dirty.start(1);

        QMimeData data;
        data.setText(QStringLiteral("x"));
        auto drop = [&] {
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&widget, &enter);
            QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&widget, &event);
        };
        QTimer::singleShot(50, drop);

        CommandGate gate;
        QtYield yield(gate);
        const int paintsBefore = widget.paints;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 200)
            yield.paintOnly();
        QVERIFY2(widget.paints - paintsBefore >= 10, qPrintable(QString::number(widget.paints - paintsBefore)));
        QCOMPARE(widget.drops, 0);
        drop(); // outside the yield, the same drop is taken
        QCOMPARE(widget.drops, 1);
        yield.close();
        yield.paintOnly(); // a closing window ends no read: nothing is thrown
        QVERIFY_THROWS_EXCEPTION(ProgramClosing, yield.DoEvents());
    }

    // A click held during a wait, and an assistive tool's press that comes during one, start their command
    // only at a yield that lets the user in: a yield that only repaints holds them again. (The held click was
    // posted again after the wait and ran inside the next repaint.)
    void heldInputStartsOnlyWhereTheUserIsLetIn()
    {
        CommandGate gate;
        QtYield yield(gate);
        QtCallWaiter waiter(gate);
        QPushButton button(QStringLiteral("Start"));
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        int started = 0;
        std::atomic<int> clicks = 0;
        connect(&button, &QPushButton::clicked, [&] {
            ++clicks;
            gate.start([&] { ++started; });
        });
        const auto waitTill = [&](const std::function<bool()>& done) {
            waiter.wait([&] {
                while (!done())
                    std::this_thread::yield();
            });
        };
        const auto repaintFor50ms = [&] {
            QElapsedTimer clock;
            clock.start();
            while (clock.elapsed() < 50)
                yield.paintOnly();
        };
        const auto yieldUntilStarted = [&](int count) {
            QElapsedTimer clock;
            clock.start();
            while (started < count && clock.elapsed() < 5000)
                yield.DoEvents();
        };

        std::atomic<bool> clickMade = false;
        QTimer::singleShot(20, [&] {
            QTest::mouseClick(&button, Qt::LeftButton);
            clickMade = true;
        });
        waitTill([&] { return clickMade.load(); });
        QCOMPARE(clicks, 0); // the click itself is held
        repaintFor50ms();
        QCOMPARE(started, 0);
        yieldUntilStarted(1);
        QCOMPARE(started, 1);

        QAccessible::queryAccessibleInterface(&button)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
        waitTill([&] { return clicks == 2; }); // the press clicks the button inside the wait
        repaintFor50ms();
        QCOMPARE(started, 1);
        yieldUntilStarted(2);
        QCOMPARE(started, 2);
    }
};

QTEST_MAIN(TestPaintOnly)
#include "test_paint_only.moc"
