#pragma once

#include "testbed/ResidentMemory.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <functional>
#include <vector>

class QAbstractItemView;
class QWidget;

// The most memory this process has held resident, in bytes, since it started or since the last reset.
qint64 peakResidentBytes();
void resetPeakResidentBytes();
// Writes what the kernel holds back to the disk and empties its caches of file contents, folders and
// inodes; false, with the reason, where the machine does not allow it. canDropCaches() only asks.
bool dropCaches(QString* why);
bool canDropCaches(QString* why);
// Runs a shell command line and waits for it.
void runShell(const QString& commandLine);
// The middle value (the upper one of an even count), 0 for none.
double median(std::vector<double> values);
// How long `work` takes, in seconds.
double seconds(const std::function<void()>& work);
// The lines of a text (its LF bytes), found as a client that reads every byte finds them.
qsizetype countLines(const QByteArray& text);
// Whether two text files hold the same lines, in any order (CR LF or LF line ends).
bool sameLines(const QString& first, const QString& second, bool crlf);

// The longest gap between two ticks of a 5 ms timer from construction on: how long the window went without
// handling its events.
class StallMeter
{
public:
    StallMeter();
    qint64 worstMs();

private:
    QTimer m_timer;
    QElapsedTimer m_sinceTick;
    qint64 m_worst = 0;
};

// The longest gap between two paints of the widget from construction on, while a 5 ms timer keeps asking it
// to repaint: how long the window went without painting.
class PaintGapMeter : public QObject
{
public:
    explicit PaintGapMeter(QWidget& widget);
    ~PaintGapMeter() override;
    qint64 worstMs();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& m_widget;
    QTimer m_timer;
    QElapsedTimer m_sincePaint;
    qint64 m_worst = 0;
};

struct FrameTimes
{
    int count = 0;
    double medianMs = 0;
    double worstMs = 0;
};
// Scrolls the view from the top to the end and back, a page and a leap at a time, painting each frame.
FrameTimes scrollThrough(QAbstractItemView& view);
