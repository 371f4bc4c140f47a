// The start-up sequence: skin, caption, title, hand pointer, the panes' columns and the restored filter.
#include "ErrorReports.h"
#include "WindowHarness.h"
#include "app/PaneView.h"
#include "app/StartUp.h"
#include "settings/SettingsStore.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QtTest>

namespace {

void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// A 2 x 2 cursor file with the hot spot (1, 0).
QByteArray tinyCursor()
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    const quint32 maskBytes = 4 * 2, colourBytes = 2 * 2 * 4;
    const quint32 bitmapSize = 40 + colourBytes + maskBytes;
    out << quint16(0) << quint16(2) << quint16(1); // ICONDIR
    out << quint8(2) << quint8(2) << quint8(0) << quint8(0) << quint16(1) << quint16(0) << bitmapSize
        << quint32(22);                                                       // ICONDIRENTRY, hot spot (1, 0)
    out << quint32(40) << qint32(2) << qint32(4) << quint16(1) << quint16(32) // BITMAPINFOHEADER
        << quint32(0) << quint32(colourBytes + maskBytes) << qint32(0) << qint32(0) << quint32(0) << quint32(0);
    for (int i = 0; i < 4; ++i)
        out << quint32(0xff000000);
    for (int i = 0; i < 2; ++i)
        out << quint32(0);
    return data;
}

} // namespace

class TestStartUp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstStartShowsAndStoresTheDefaultFilter()
    {
        WindowHarness h;
        QCOMPARE(h.storedFilter().value_or(QStringLiteral("<missing>")), QStringLiteral("<missing>"));
        MainWindow& window = h.start();
        QCOMPARE(window.Text1()->text(), QStringLiteral("*"));
        QCOMPARE(h.storedFilter().value_or(QStringLiteral("<missing>")), QStringLiteral("*"));
        QVERIFY(h.dialogs.calls().empty());
        QCOMPARE(window.form().MousePointer.value(), 0);
        QCOMPARE(h.form().FolderList.count(), 0);
        QCOMPARE(h.form().ResultList.count(), 0);
    }

    void aStoredFilterComesBackAsStored_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::newRow("empty, not the default") << QString();
        QTest::newRow("an extension") << QStringLiteral("txt");
        QTest::newRow("blanks kept") << QStringLiteral(" htm ");
        QTest::newRow("backslash and non-ASCII") << QStringLiteral("a\\b ü €");
    }
    void aStoredFilterComesBackAsStored()
    {
        QFETCH(QString, stored);
        WindowHarness h;
        h.settings.store().write(kSettingsApplication, kSettingsSection, QStringLiteral("Text1"), stored);
        MainWindow& window = h.start();
        QCOMPARE(window.Text1()->text(), stored);
        // The restore changes the box, and the box's change writes its text back to the store.
        QCOMPARE(h.settings.writes, 1);
        QCOMPARE(h.storedFilter().value_or(QStringLiteral("<missing>")), stored);
    }

    void eachPaneHasOneColumnOf7000Twips()
    {
        WindowHarness h;
        MainWindow& window = h.start();
        QCOMPARE(h.form().FolderList.columnHeaderCount(), 1);
        QCOMPARE(h.form().ResultList.columnHeaderCount(), 1);
        QCOMPARE(h.form().FolderList.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Directories (Folders)"));
        QCOMPARE(h.form().ResultList.headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("Results (List of Files)"));
        QCOMPARE(window.ListView1()->columnWidth(0), 467);
        QCOMPARE(window.ListView2()->columnWidth(0), 467);
        QCOMPARE(window.ListView1()->header()->count(), 1);
    }

    void captionAndApplicationTitle()
    {
        WindowHarness h;
        MainWindow& window = h.start();
        QCOMPARE(window.windowTitle(), QStringLiteral("Tallyfold"));
        QCOMPARE(h.form().applicationTitle, QStringLiteral("Tallyfold"));
        QVERIFY(!window.windowIcon().isNull());
    }

    void aLongProductNameLosesWholeWords_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::newRow("short") << QStringLiteral("Tallyfold") << QStringLiteral("Tallyfold");
        QTest::newRow("exactly 40") << QString(40, QChar(u'a')) << QString(40, QChar(u'a'));
        QTest::newRow("words cut from the end")
            << QStringLiteral("Tallyfold the folder lister for every desktop machine")
            << QStringLiteral("Tallyfold the folder lister for every");
        QTest::newRow("one word of 45 is cut at 40") << QString(45, QChar(u'b')) << QString(40, QChar(u'b'));
    }
    void aLongProductNameLosesWholeWords()
    {
        QFETCH(QString, name);
        QFETCH(QString, title);
        QCOMPARE(applicationTitleFor(name), title);
    }

    void withoutSkinTheWindowStaysWhite()
    {
        WindowHarness h;
        MainWindow& window = h.start();
        QCOMPARE(window.palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(window.Frame1()->palette().color(QPalette::Window), QColor(Qt::white));
        QVERIFY(window.styleSheetApplied().isEmpty());
        // Reading a skin that is not there would have failed and been reported.
        QVERIFY(h.dialogs.calls().empty());
    }

    void aSkinTurnsTheBackgroundButtonFaceAndApplies()
    {
        WindowHarness h;
        writeFile(h.programFolder() + QStringLiteral("/x/o.cjs"), "QPushButton { color: #204080; }");
        MainWindow& window = h.start();
        QVERIFY(h.dialogs.calls().empty());
        const QColor face = QApplication::palette().color(QPalette::Button);
        QCOMPARE(window.palette().color(QPalette::Window), face);
        QCOMPARE(window.Frame1()->palette().color(QPalette::Window), face);
        QCOMPARE(window.styleSheet(), QStringLiteral("QPushButton { color: #204080; }"));
    }

    void aHiddenOrFolderSkinIsNoSkin()
    {
        WindowHarness h;
        QDir().mkpath(h.programFolder() + QStringLiteral("/x/o.cjs"));
        MainWindow& window = h.start();
        QVERIFY(h.dialogs.calls().empty());
        QCOMPARE(window.palette().color(QPalette::Window), QColor(Qt::white));
    }

    void aFailingSkinIsReportedOnceAndStartUpGoesOn_data()
    {
        QTest::addColumn<bool>("unreadable");
        QTest::newRow("not a style sheet") << false;
        QTest::newRow("cannot be read") << true;
    }
    void aFailingSkinIsReportedOnceAndStartUpGoesOn()
    {
        QFETCH(bool, unreadable);
        WindowHarness h;
        const QString skin = h.programFolder() + QStringLiteral("/x/o.cjs");
        writeFile(skin, "QPushButton { color: ");
        if (unreadable)
            h.files.fail(FaultyFileSystem::Op::ReadAll, skin, QStringLiteral("Permission denied"));
        MainWindow& window = h.start();
        QCOMPARE(reportPlaces(h), QStringList{"Form_Load 100"});
        QVERIFY(window.styleSheet().isEmpty());
        QCOMPARE(window.windowTitle(), QStringLiteral("Tallyfold"));
        QCOMPARE(h.form().ResultList.columnHeaderCount(), 1);
        QCOMPARE(window.Text1()->text(), QStringLiteral("*"));
    }

    void withoutHandCursorTheHandIsTheArrow()
    {
        WindowHarness h;
        MainWindow& window = h.start();
        QVERIFY(h.dialogs.calls().empty());
        QVERIFY(!window.customPointer());
        window.PushButton_MouseMove();
        QCOMPARE(window.form().MousePointer.value(), 99);
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    }

    void theHandCursorBesideTheProgramIsLoaded()
    {
        WindowHarness h;
        writeFile(h.programFolder() + QStringLiteral("/HAND-M.CUR"), tinyCursor());
        MainWindow& window = h.start();
        QVERIFY(h.dialogs.calls().empty());
        QVERIFY(window.customPointer());
        QCOMPARE(window.customPointer()->hotSpot(), QPoint(1, 0));
        window.PushButton_MouseMove();
        QCOMPARE(window.cursor().shape(), Qt::BitmapCursor);
    }

    void aBrokenHandCursorIsReportedAtLine108()
    {
        WindowHarness h;
        writeFile(h.programFolder() + QStringLiteral("/HAND-M.CUR"), "not a cursor");
        MainWindow& window = h.start();
        QCOMPARE(reportLines(h), QStringList{"Form1.Form_Load 108: Invalid picture"});
        QVERIFY(!window.customPointer());
        QCOMPARE(window.Text1()->text(), QStringLiteral("*"));
    }
};

QTEST_MAIN(TestStartUp)
#include "test_startup.moc"
