// The filter box: every change stored under "Text1", "All Files" and the "?" help.
#include "WindowHarness.h"
#include "app/Help.h"
#include "listing/FilterChange.h"
#include "settings/SettingsStore.h"

#include <QFile>
#include <QLineEdit>
#include <QtTest>

class TestFilterControl : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void allFilesSetsAndStoresTheStar_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("storedBefore"); // what the store holds then, written behind the box's back
        QTest::newRow("from an extension") << "doc"
                                           << "doc";
        QTest::newRow("from empty") << ""
                                    << "";
        // The box raises no change for the text it already shows, yet "All Files" stores the star anyway: it
        // once stored nothing there, leaving what another instance had written.
        QTest::newRow("already the star, the store not") << "*"
                                                         << "txt";
        QTest::newRow("already the star, the store emptied") << "*"
                                                             << "";
    }
    void allFilesSetsAndStoresTheStar()
    {
        QFETCH(QString, before);
        QFETCH(QString, storedBefore);
        WindowHarness h;
        h.start();
        h.window().Text1()->setText(before);
        h.settings.store().write(kSettingsApplication, kSettingsSection, QStringLiteral("Text1"), storedBefore);
        QCOMPARE(h.storedFilter(), std::optional<QString>(storedBefore));
        h.settings.writes = 0;
        h.click(15);
        QCOMPARE(h.window().Text1()->text(), QStringLiteral("*"));
        QCOMPARE(h.storedFilter(), std::optional<QString>(QStringLiteral("*")));
        QFile ini(h.configFolder() + QStringLiteral("/Quillmark.ini"));
        QVERIFY(ini.open(QIODevice::ReadOnly) && ini.readAll().contains("\nText1=*\n"));
        QCOMPARE(h.settings.writes, 1);
        QVERIFY(h.dialogs.calls().empty());
    }

    void helpShowsSixLinesJoinedByCarriageReturns()
    {
        WindowHarness h;
        h.start();
        h.window().Text1()->setText(QStringLiteral("htm"));
        h.click(12);
        QCOMPARE(h.dialogs.calls().size(), size_t(1));
        const ScriptedDialogs::Call& call = h.dialogs.calls()[0];
        QCOMPARE(call.text.split(QChar(u'\r')),
                 (QStringList{"Only get files with the specified file extension.", "", "* for all files",
                              "txt for all txt files", "htm for all htm files", "etc."}));
        QVERIFY(!call.text.contains(QChar(u'\n')));
        QCOMPARE(call.buttons, 0);
        QCOMPARE(call.title, QStringLiteral("Tallyfold"));
        QCOMPARE(h.window().Text1()->text(), QStringLiteral("htm"));
    }

    void everyChangeIsStored()
    {
        WindowHarness h;
        h.start();
        QLineEdit* box = h.window().Text1();
        box->clear();
        QCOMPARE(h.storedFilter(), std::optional<QString>(QString()));
        QStringList seen;
        QObject::connect(box, &QLineEdit::textChanged, box, [&] { seen.append(*h.storedFilter()); });
        QTest::keyClicks(box, QStringLiteral("txt"));
        QCOMPARE(seen, (QStringList{"t", "tx", "txt"}));
        QCOMPARE(h.settings.writes, 5); // start-up, clear, t, tx, txt
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(h.storedFilter(), std::optional<QString>(QStringLiteral("tx")));
        box->setText(QStringLiteral(" *.* "));
        QCOMPARE(h.storedFilter(), std::optional<QString>(QStringLiteral(" *.* "))); // never trimmed
    }

    void anEmptiedBoxStaysEmptyAfterARestart()
    {
        WindowHarness h;
        h.start();
        h.window().Text1()->clear();
        h.start(); // a new window over the same settings
        QCOMPARE(h.window().Text1()->text(), QString());
    }
};

QTEST_MAIN(TestFilterControl)
#include "test_filter_control.moc"
