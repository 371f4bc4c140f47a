// The real window with the real platform pieces, as app/main.cpp wires them, on a Wayland compositor: its size
// and title as the compositor's client sees them, a message box that opens and is answered, "Create List" over
// the sample folders against find, drawing without a GL driver, and a clean end when the window closes. Run by
// test_weston.py, which starts the compositor and sets the environment (QT_QPA_PLATFORM=wayland, TEMP,
// XDG_CONFIG_HOME, QT_WAYLAND_DISABLE_WINDOWDECORATION).
#include "FindOracle.h"
#include "app/MainWindow.h"
#include "app/PaneView.h"
#include "platform/posix/IniSettingsStorage.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/SystemEnvironment.h"
#include "platform/qt/CommandGate.h"
#include "platform/qt/QtCallWaiter.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtYield.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <QtTest>

#include <memory>

namespace {

// Answers the next message box by a key press on its window once the compositor has exposed it. A box that is
// not exposed within 10 s is closed unanswered, so that the test fails instead of hanging.
class BoxAnswerer
{
public:
    explicit BoxAnswerer(Qt::Key key)
    {
        m_waited.start();
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this, key] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->windowHandle())
                return;
            m_text = box->text();
            m_parent = box->windowHandle()->transientParent();
            m_exposed = box->windowHandle()->isExposed();
            if (!m_exposed && m_waited.elapsed() < 10000)
                return;
            m_timer.stop();
            m_answered = true;
            if (m_exposed)
                QTest::keyClick(box->windowHandle(), key);
            else
                box->reject();
        });
        m_timer.start();
    }

    bool answered() const { return m_answered; }
    bool exposed() const { return m_exposed; }
    const QString& text() const { return m_text; }
    QWindow* parent() const { return m_parent; }

private:
    QTimer m_timer;
    QElapsedTimer m_waited;
    QString m_text;
    QWindow* m_parent = nullptr;
    bool m_exposed = false;
    bool m_answered = false;
};

QStringList shownRows(const PaneView* view)
{
    QStringList rows;
    const QAbstractItemModel* model = view->model();
    for (int row = 0; row < model->rowCount(); ++row)
        rows.append(model->index(row, 0).data(Qt::DisplayRole).toString());
    return rows;
}

void clickOnWindow(MainWindow& window, int button)
{
    QPushButton* pushButton = window.PushButton(button);
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {},
                      pushButton->mapTo(&window, pushButton->rect().center()));
}

} // namespace

class WaylandSession : public QObject
{
    Q_OBJECT

    CommandGate m_gate;
    QtDialogs m_dialogs{m_gate};
    QtYield m_yield{m_gate};
    PosixFileSystem m_files;
    QtCallWaiter m_waiter{m_gate};
    QtClipboard m_clipboard;
    IniSettingsStorage m_settings;
    SystemEnvironment m_environment;
    Services m_services{m_dialogs,
                        m_yield,
                        m_files,
                        m_clipboard,
                        m_settings,
                        m_environment,
                        QDir::toNativeSeparators(QCoreApplication::applicationDirPath())};
    std::unique_ptr<MainWindow> m_window;

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("wayland"));
        QVERIFY2(!qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"), "the session must not touch the user's settings");
        m_files.setWaiter(&m_waiter);
        m_window = std::make_unique<MainWindow>(m_services, m_gate);
        m_dialogs.setOwner(m_window.get());
        m_window->setUnloadHandler([this] {
            m_yield.close();
            m_dialogs.close();
            m_waiter.close();
        });
        m_window->Form_Load();
        m_window->showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get(), 10000));
    }

    void windowHasItsFixedSizeAndTitle()
    {
        QWindow* shown = m_window->windowHandle();
        QVERIFY(shown);
        QVERIFY(shown->isExposed());
        QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
        QCOMPARE(shown->size(), m_window->minimumSize());
        QCOMPARE(shown->title(), QStringLiteral("Tallyfold"));
    }

    void messageBoxOpensAndCloses_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<int>("answer");
        QTest::newRow("Return takes the default, Yes") << Qt::Key_Return << MsgBoxAnswer::Yes;
        QTest::newRow("Escape takes No") << Qt::Key_Escape << MsgBoxAnswer::No;
    }
    void messageBoxOpensAndCloses()
    {
        QFETCH(Qt::Key, key);
        QFETCH(int, answer);
        BoxAnswerer answerer(key);
        const int answered =
            m_dialogs.messageBox(QStringLiteral("Go on?"), MsgBoxCode::YesNo, QStringLiteral("Tallyfold"));
        QVERIFY(answerer.answered());
        QVERIFY2(answerer.exposed(), "the message box was never exposed");
        QCOMPARE(answerer.text(), QStringLiteral("Go on?"));
        QCOMPARE(answerer.parent(), m_window->windowHandle());
        QCOMPARE(answered, answer);
        QTRY_VERIFY(!QApplication::activeModalWidget());
    }

    void createListOverTheSampleFoldersAgreesWithFind()
    {
        QCOMPARE(m_window->Text1()->text(), QStringLiteral("*"));
        clickOnWindow(*m_window, 3); // Load Sample/Example Data
        const QStringList folders = shownRows(m_window->ListView1());
        QCOMPARE(folders, QStringList({qEnvironmentVariable("TEMP"), QStringLiteral("/usr/bin")}));

        BoxAnswerer answerer(Qt::Key_Escape);
        clickOnWindow(*m_window, 5); // 2. Start Creating List
        QVERIFY(answerer.answered());
        QVERIFY2(answerer.exposed(), "the message box was never exposed");
        QCOMPARE(answerer.text(), QStringLiteral("Done."));

        QStringList expected;
        for (const QString& folder : folders)
            expected += findListedFiles(folder, 1);
        QVERIFY(expected.size() > 3);
        expected.sort();
        QStringList listed = shownRows(m_window->ListView2());
        listed.sort();
        QCOMPARE(listed, expected);
        qInfo("%lld files listed from %lld folders", qint64(listed.size()), qint64(folders.size()));
    }

    // Drawn through shared memory: a GL driver loaded through EGL left an unnamed leak at its unloading.
    void drawsWithoutAGlDriver()
    {
        QFile maps(QStringLiteral("/proc/self/maps"));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        QVERIFY(mapped.contains("libQt6WaylandClient"));
        for (const char* library : {"libEGL_mesa", "_dri.so", "libwayland-egl", "wayland-graphics-integration"})
            QVERIFY2(!mapped.contains(library), library);
    }

    // Last: the compositor's close request comes to QWidget::close.
    void closingTheWindowEndsTheProgramCleanly()
    {
        QTimer::singleShot(0, m_window.get(), [this] { m_window->close(); });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(2); });
        watchdog.start(10000);
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!m_window->isVisible());
    }

    void cleanupTestCase() { m_window.reset(); }
};

QTEST_MAIN(WaylandSession)
#include "wayland_session.moc"
