// The other end of a real drag between two X11 clients: a file manager's role in a test.
//   dragpeer source X Y URI-LIST   a window at X,Y that drags the URI list out when pressed and moved,
//                                  offering copy, move and link as a file manager does; prints "accepted N"
//                                  whenever the target's answer changes, the action taken, and quits 5 s later
//   dragpeer target X Y OUT        a window at X,Y that takes any drop as a move where offered, prints "over"
//                                  once its first answer has gone out, writes its text/uri-list, a line "--",
//                                  and its text to OUT, and quits
#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <utility>

namespace {

// A line for the test that drives the drag, which waits for it.
void say(const QByteArray& line)
{
    std::fputs((line + '\n').constData(), stdout);
    std::fflush(stdout);
}

class Source : public QWidget
{
public:
    explicit Source(QByteArray uris) : m_uris(std::move(uris)) {}

protected:
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (!(event->buttons() & Qt::LeftButton) || m_dragged)
            return;
        m_dragged = true;
        auto* data = new QMimeData;
        data->setData(QStringLiteral("text/uri-list"), m_uris);
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        connect(drag, &QDrag::actionChanged, this,
                [](Qt::DropAction action) { say("accepted " + QByteArray::number(int(action))); });
        const Qt::DropAction done = drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction);
        say("dropped as " + QByteArray::number(int(done)));
        // The target reads the data after the drop: a file manager stays to hand it over.
        QTimer::singleShot(5000, qApp, &QApplication::quit);
    }

private:
    QByteArray m_uris;
    bool m_dragged = false;
};

class Target : public QWidget
{
public:
    explicit Target(QString out) : m_out(std::move(out)) { setAcceptDrops(true); }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override { take(event); }
    void dragMoveEvent(QDragMoveEvent* event) override
    {
        take(event);
        // The answer to this position leaves once the event is handled: the source may let go after that.
        if (!std::exchange(m_over, true))
            QTimer::singleShot(0, this, [] { say("over"); });
    }
    void dropEvent(QDropEvent* event) override
    {
        take(event);
        QFile out(m_out);
        if (out.open(QIODevice::WriteOnly)) {
            out.write(event->mimeData()->data(QStringLiteral("text/uri-list")));
            out.write("--\n");
            out.write(event->mimeData()->text().toUtf8());
        }
        out.close();
        QApplication::quit();
    }

private:
    static void take(QDropEvent* event)
    {
        // A move is what would take the files away from a pane that let it.
        event->setDropAction(event->possibleActions() & Qt::MoveAction ? Qt::MoveAction : event->proposedAction());
        event->accept();
    }
    QString m_out;
    bool m_over = false;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 5)
        return 2;
    const QString role = QString::fromLocal8Bit(argv[1]);
    QFile list(QString::fromLocal8Bit(argv[4]));
    QWidget* window = nullptr;
    if (role == QLatin1String("source") && list.open(QIODevice::ReadOnly))
        window = new Source(list.readAll());
    else if (role == QLatin1String("target"))
        window = new Target(QString::fromLocal8Bit(argv[4]));
    else
        return 2;
    window->setWindowTitle(QStringLiteral("drag ") + role);
    window->setGeometry(QString::fromLocal8Bit(argv[2]).toInt(), QString::fromLocal8Bit(argv[3]).toInt(), 120, 120);
    window->show();
    return application.exec();
}
