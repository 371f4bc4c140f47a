// The yield of a read that must not yield: the window repaints and timers run, a drop is refused (it cannot
// wait as a click does), and a window that closes meanwhile does not end the read.
#include "platform/Failure.h"
#include "platform/QtYield.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMimeData>
#include <QTimer>
#include <QWidget>
#include <QtTest>

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

        QtYield yield;
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
};

QTEST_MAIN(TestPaintOnly)
#include "test_paint_only.moc"
