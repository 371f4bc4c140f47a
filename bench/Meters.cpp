#include "Meters.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QFile>
#include <QProcess>
#include <QScrollBar>
#include <QWidget>

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

qint64 peakResidentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toLongLong() * 1024;
    return 0;
}

void resetPeakResidentBytes()
{
    QFile control(QStringLiteral("/proc/self/clear_refs"));
    if (control.open(QIODevice::WriteOnly))
        control.write("5\n");
}

bool canDropCaches(QString* why)
{
    QFile control(QStringLiteral("/proc/sys/vm/drop_caches"));
    if (!control.open(QIODevice::WriteOnly)) {
        *why = control.errorString();
        return false;
    }
    return true;
}

bool dropCaches(QString* why)
{
    ::sync();
    QFile control(QStringLiteral("/proc/sys/vm/drop_caches"));
    if (!control.open(QIODevice::WriteOnly) || control.write("3\n") != 2 || !control.flush()) {
        *why = control.errorString();
        return false;
    }
    return true;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void runShell(const QString& commandLine)
{
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), commandLine});
    shell.waitForFinished(-1);
}

double seconds(const std::function<void()>& work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return double(clock.nsecsElapsed()) / 1e9;
}

qsizetype countLines(const QByteArray& text)
{
    qsizetype lines = 0;
    const char* at = text.constData();
    const char* const end = at + text.size();
    while ((at = static_cast<const char*>(std::memchr(at, '\n', std::size_t(end - at))))) {
        ++lines;
        ++at;
    }
    return lines;
}

bool sameLines(const QString& first, const QString& second, bool crlf)
{
    // Each file's non-empty lines as sorted 64-bit hashes, read from the mapped file: ten million lines take
    // 80 MB here rather than gigabytes of separate lines, which the kernel would hand back only to give out
    // again, slowly, to the figures that follow.
    auto hashes = [](const QString& path, bool dropCr) {
        std::vector<std::size_t> all;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return all;
        const qint64 size = file.size();
        QByteArray read; // where the file cannot be mapped
        const char* data = size > 0 ? reinterpret_cast<const char*>(file.map(0, size)) : "";
        if (!data) {
            read = file.readAll();
            data = read.constData();
        }
        for (qint64 at = 0; at < size;) {
            const char* end = static_cast<const char*>(std::memchr(data + at, '\n', std::size_t(size - at)));
            const qint64 next = end ? end - data + 1 : size;
            qint64 length = (end ? end - data : size) - at;
            if (dropCr && length > 0 && data[at + length - 1] == '\r')
                --length;
            if (length > 0)
                all.push_back(qHash(QByteArrayView(data + at, length)));
            at = next;
        }
        std::sort(all.begin(), all.end());
        return all;
    };
    return hashes(first, crlf) == hashes(second, false);
}

StallMeter::StallMeter()
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(5);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        m_worst = std::max(m_worst, m_sinceTick.elapsed());
        m_sinceTick.restart();
    });
    m_sinceTick.start();
    m_timer.start();
}

qint64 StallMeter::worstMs()
{
    m_worst = std::max(m_worst, m_sinceTick.elapsed());
    m_timer.stop();
    return m_worst;
}

PaintGapMeter::PaintGapMeter(QWidget& widget) : m_widget(widget)
{
    m_widget.installEventFilter(this);
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(5);
    QObject::connect(&m_timer, &QTimer::timeout, &m_widget, [this] { m_widget.update(); });
    m_sincePaint.start();
    m_timer.start();
}

PaintGapMeter::~PaintGapMeter()
{
    m_widget.removeEventFilter(this);
}

bool PaintGapMeter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_widget && event->type() == QEvent::Paint) {
        m_worst = std::max(m_worst, m_sincePaint.elapsed());
        m_sincePaint.restart();
    }
    return false;
}

qint64 PaintGapMeter::worstMs()
{
    m_worst = std::max(m_worst, m_sincePaint.elapsed());
    m_timer.stop();
    return m_worst;
}

FrameTimes scrollThrough(QAbstractItemView& view)
{
    QScrollBar* bar = view.verticalScrollBar();
    std::vector<double> times;
    auto frame = [&](int value) {
        QElapsedTimer clock;
        clock.start();
        bar->setValue(value);
        view.viewport()->repaint();
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    };
    const int leap = std::max(1, bar->maximum() / 200);
    for (int value = 0; value <= bar->maximum(); value += leap)
        frame(value);
    for (int step = 0; step < 100; ++step)
        frame(bar->maximum() - step * bar->pageStep());
    for (int value = bar->maximum(); value >= 0; value -= leap)
        frame(value);
    FrameTimes result;
    result.count = int(times.size());
    if (times.empty())
        return result;
    result.worstMs = *std::max_element(times.begin(), times.end());
    std::sort(times.begin(), times.end());
    result.medianMs = times[times.size() / 2];
    return result;
}
