// The yield of a read that must not yield: the window repaints and timers run, and a window that closes
// meanwhile does not end the read.
#include "platform/Failure.h"
#include "platform/QtYield.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <QtTest>

namespace {

class PaintCounter : public QWidget
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
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

        QtYield yield;
        const int paintsBefore = widget.paints;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 200)
            yield.PaintOnly();
        QVERIFY2(widget.paints - paintsBefore >= 10, qPrintable(QString::number(widget.paints - paintsBefore)));
        yield.close();
        yield.PaintOnly(); // a closing window ends no read: nothing is thrown
        QVERIFY_THROWS_EXCEPTION(ProgramClosing, yield.DoEvents());
    }
};

QTEST_MAIN(TestPaintOnly)
#include "test_paint_only.moc"
