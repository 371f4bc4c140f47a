// "2. Start Creating List" in the real window over real folder trees: what is listed, the entry forms, the
// messages, the pointer, and what the user may do while the command yields.
#include "TestTree.h"
#include "WindowHarness.h"
#include "listing/CreateList.h"

#include <QtTest>

namespace {

const QString kProcedure = QStringLiteral("in Foldlister2021/08/31.Form1.PushButton5_Click ");

// Every kind of entry a listed folder may hold; "sub.dir" and "plainsub" are subfolders.
const QStringList kMixedTree = {"top/a.txt",
                                "top/B.TXT",
                                "top/c.tar.Txt",
                                "top/d.txt.bak",
                                "top/README",
                                "top/name.",
                                "top/.profile",
                                "top/~$Report.docx",
                                "top/~temp.txt",
                                "top/Ünïcödé.txt",
                                "top/файл.TXT",
                                "top/notes.ÄÖ",
                                "top/cold.k",
                                "top/sub.dir/",
                                "top/sub.dir/in.txt",
                                "top/plainsub/",
                                "top/plainsub/x.txt",
                                "top/tofile.txt -> a.txt",
                                "top/todir -> plainsub",
                                "top/dangling.txt -> missing"};

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

QStringList linesUnder(const QString& folder, const QStringList& names)
{
    QStringList lines;
    for (const QString& name : names)
        lines.append(folder + QChar(u'/') + name);
    return sorted(lines);
}

struct Report
{
    QString description;
    int label;
};

// The error reports shown, as (description, label) read back from the boxes' texts.
QList<Report> reports(const WindowHarness& h)
{
    QList<Report> found;
    for (const ScriptedDialogs::Call& call : h.dialogs.calls()) {
        if (call.title != QLatin1String("Application Error"))
            continue;
        const qsizetype at = call.text.indexOf(QStringLiteral("\r\n") + kProcedure + QStringLiteral("at line "));
        if (at < 0)
            continue;
        const QString rest = call.text.mid(at + 2 + kProcedure.size() + 8);
        found.append({call.text.left(at), rest.left(rest.indexOf(QChar(u'\r'))).toInt()});
    }
    return found;
}

QStringList plainMessages(const WindowHarness& h)
{
    QStringList texts;
    for (const ScriptedDialogs::Call& call : h.dialogs.calls())
        if (call.kind == QLatin1String("message") && call.title != QLatin1String("Application Error"))
            texts.append(call.text);
    return texts;
}

// The names of a folder in the order the command will meet them.
QStringList enumerationOrder(const QString& folder)
{
    PosixFileSystem files;
    const NameList names = ListFilesInFolder(files, folder, QStringLiteral("*.*"));
    QStringList order;
    for (int i = 0; i < names.count(); ++i)
        order.append(QString::fromUtf8(names.at(i).data(), qsizetype(names.at(i).size())));
    return order;
}

} // namespace

class TestCreateList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void filterDecidesWhichFilesAreListed_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("names");
        const QStringList txt = {"a.txt", "B.TXT", "c.tar.Txt", "Ünïcödé.txt", "файл.TXT", "tofile.txt", "pipe.txt"};
        QTest::newRow("* lists every file, hidden ones too")
            << "*" << (txt + QStringList{"d.txt.bak", "README", "name.", ".profile", "notes.ÄÖ", "cold.k"});
        QTest::newRow("txt") << "txt" << txt;
        QTest::newRow("TXT") << "TXT" << txt;
        QTest::newRow("Txt") << "Txt" << txt;
        QTest::newRow(".txt lists nothing") << ".txt" << QStringList();
        QTest::newRow("*.* lists nothing") << "*.*" << QStringList();
        QTest::newRow("blank before") << " txt" << QStringList();
        QTest::newRow("blank after") << "txt " << QStringList();
        QTest::newRow("two stars") << "**" << QStringList();
        QTest::newRow("empty: names ending in a dot") << "" << QStringList{"name."};
        QTest::newRow("last extension only") << "bak" << QStringList{"d.txt.bak"};
        QTest::newRow("dot file's key") << "PROFILE" << QStringList{".profile"};
        QTest::newRow("non-ASCII, lower-cased") << "äö" << QStringList{"notes.ÄÖ"};
        QTest::newRow("Kelvin sign lowers to k") << u8"\u212A" << QStringList{"cold.k"};
        QTest::newRow("no match still ends normally") << "xyz" << QStringList();
    }
    void filterDecidesWhichFilesAreListed()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, names);
        TestTree tree(kMixedTree);
        tree.fifo(QStringLiteral("top/pipe.txt"));
        WindowHarness h;
        h.start();
        h.form().Text1.setText(filter);
        h.form().ListView1.append(tree.path(QStringLiteral("top")));
        h.click(5);
        QCOMPARE(sorted(h.resultEntries()), linesUnder(tree.path(QStringLiteral("top")), names));
        QCOMPARE(plainMessages(h), QStringList{QStringLiteral("Done.")});
        QVERIFY(reports(h).isEmpty());
        QCOMPARE(h.form().MousePointer.value(), int(Pointer::Default));
        QVERIFY(!h.form().CreatingList);
        QVERIFY2(h.problems().isEmpty(), qPrintable(h.problems().join(u'\n')));
    }

    void lineWithoutDotMatchesOnlyTheWholeLine_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("filter"); // %1 stands for the tree's path, lower-cased
        QTest::addColumn<bool>("listed");
        QTest::newRow("whole line") << "plain"
                                    << "%1/plain/readme" << true;
        QTest::newRow("name alone") << "plain"
                                    << "readme" << false;
        QTest::newRow("dotted folder: key from its dot") << "my.docs"
                                                         << "docs/readme" << true;
        QTest::newRow("dotted folder, name alone") << "my.docs"
                                                   << "readme" << false;
    }
    void lineWithoutDotMatchesOnlyTheWholeLine()
    {
        QFETCH(QString, folder);
        QFETCH(QString, filter);
        QFETCH(bool, listed);
        TestTree tree({folder + QStringLiteral("/README")});
        WindowHarness h;
        h.start();
        h.form().Text1.setText(filter.replace(QStringLiteral("%1"), tree.path().toLower()));
        h.form().ListView1.append(tree.path(folder));
        h.click(5);
        QCOMPARE(h.resultEntries(),
                 listed ? QStringList{tree.path(folder + QStringLiteral("/README"))} : QStringList());
        QVERIFY2(h.problems().isEmpty(), qPrintable(h.problems().join(u'\n')));
    }

    void entryFormsGiveTheirLines_data()
    {
        QTest::addColumn<QString>("suffix");     // after the folder's path in the entry
        QTest::addColumn<QString>("lineFolder"); // after the folder's path in each line, before the separator
        QTest::newRow("without trailing separator") << ""
                                                    << "";
        QTest::newRow("with trailing separator") << "/"
                                                 << "";
        QTest::newRow("two trailing separators: one goes") << "//"
                                                           << "/";
    }
    void entryFormsGiveTheirLines()
    {
        QFETCH(QString, suffix);
        QFETCH(QString, lineFolder);
        TestTree tree({"f/one.txt", "f/two"});
        WindowHarness h;
        h.start();
        h.form().ListView1.append(tree.path(QStringLiteral("f")) + suffix);
        h.click(5);
        QCOMPARE(sorted(h.resultEntries()),
                 linesUnder(tree.path(QStringLiteral("f")) + lineFolder, {"one.txt", "two"}));
        QVERIFY(reports(h).isEmpty());
        QVERIFY2(h.problems().isEmpty(), qPrintable(h.problems().join(u'\n')));
    }

    void rootFolderGivesLinesWithOneSeparator()
    {
        QStringList expected;
        for (const QFileInfo& entry :
             QDir(QStringLiteral("/"))
                 .entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
            if (entry.exists() && !entry.isDir() && !entry.fileName().startsWith(QChar(u'~')))
                expected.append(QChar(u'/') + entry.fileName());
        WindowHarness h;
        h.start();
        h.form().ListView1.append(QStringLiteral("/"));
        h.click(5);
        QCOMPARE(sorted(h.resultEntries()), sorted(expected));
        QVERIFY(reports(h).isEmpty());
        QVERIFY2(h.problems().isEmpty(), qPrintable(h.problems().join(u'\n')));
    }

    void brokenEntriesAddNothingAndTheRunGoesOn_data()
    {
        QTest::addColumn<QString>("entry"); // "FAULT" stands for a folder whose listing fails
        QTest::addColumn<int>("label");     // of the one report, 0 for none
        QTest::newRow("empty entry") << "" << 112;
        QTest::newRow("missing folder") << "/no/such/folder/here" << 0;
        QTest::newRow("a file as folder") << "FILE" << 0;
        QTest::newRow("folder that cannot be listed") << "FAULT" << 114;
    }
    void brokenEntriesAddNothingAndTheRunGoesOn()
    {
        QFETCH(QString, entry);
        QFETCH(int, label);
        TestTree tree({"first/1.txt", "last/2.txt", "broken/3.txt", "file.txt"});
        WindowHarness h;
        h.start();
        if (entry == QLatin1String("FAULT")) {
            entry = tree.path(QStringLiteral("broken"));
            h.files.fail(FaultyFileSystem::Op::ListFiles, entry, QStringLiteral("Device not ready"));
        } else if (entry == QLatin1String("FILE")) {
            entry = tree.path(QStringLiteral("file.txt"));
        }
        for (const QString& e : {tree.path(QStringLiteral("first")), entry, tree.path(QStringLiteral("last"))})
            h.form().ListView1.append(e);
        h.click(5);
        QCOMPARE(h.resultEntries(),
                 (QStringList{tree.path(QStringLiteral("first/1.txt")), tree.path(QStringLiteral("last/2.txt"))}));
        const QList<Report> shown = reports(h);
        QCOMPARE(shown.size(), label ? 1 : 0);
        if (label)
            QCOMPARE(shown[0].label, label);
        if (label == 114)
            QCOMPARE(shown[0].description, QStringLiteral("Device not ready"));
        QCOMPARE(plainMessages(h).last(), QStringLiteral("Done."));
        QCOMPARE(h.form().MousePointer.value(), int(Pointer::Default));
        QVERIFY2(h.problems().isEmpty(), qPrintable(h.problems().join(u'\n')));
    }

    void twoRunsGiveEveryLineTwice()
    {
        TestTree tree({"f/a.txt", "f/b.md", "g/c"});
        WindowHarness h;
        h.start();
        h.form().ListView1.append(tree.path(QStringLiteral("f")));
        h.form().ListView1.append(tree.path(QStringLiteral("g")) + QChar(u'/'));
        h.click(5);
        const QStringList once = h.resultEntries();
        QCOMPARE(once.size(), 3);
        h.click(5);
        QCOMPARE(h.resultEntries(), once + once);
        QCOMPARE(plainMessages(h), (QStringList{QStringLiteral("Done."), QStringLiteral("Done.")}));
        QVERIFY2(h.problems().isEmpty(), qPrintable(h.problems().join(u'\n')));
    }

    void emptyFolderListSaysSoAndLeavesThePointer()
    {
        TestTree tree({"f/a.txt"});
        WindowHarness h;
        h.start();
        h.form().MousePointer.setValue(Pointer::Custom);
        h.click(5);
        QCOMPARE(plainMessages(h), QStringList{QStringLiteral("No folders added.")});
        QCOMPARE(h.dialogs.calls().back().buttons, 0);
        QCOMPARE(h.dialogs.calls().back().title, h.form().applicationTitle);
        QCOMPARE(h.form().MousePointer.value(), int(Pointer::Custom));
        QCOMPARE(h.yield.calls(), 0);
        QVERIFY(h.resultEntries().isEmpty());
        QVERIFY(!h.form().CreatingList);
        // A later click works normally.
        h.form().ListView1.append(tree.path(QStringLiteral("f")));
        h.click(5);
        QCOMPARE(h.resultEntries(), QStringList{tree.path(QStringLiteral("f/a.txt"))});
        QVERIFY2(h.problems().isEmpty(), qPrintable(h.problems().join(u'\n')));
    }

    void secondClickDuringARunDoesNothing()
    {
        TestTree tree({"f/a.txt", "f/b.txt", "f/c.txt"});
        WindowHarness h;
        h.start();
        h.form().ListView1.append(tree.path(QStringLiteral("f")));
        const int yieldsBefore = h.yield.calls();
        h.yield.at(3, [&] {
            h.click(5);
            QVERIFY(h.form().CreatingList);
        });
        h.click(5);
        QCOMPARE(h.resultEntries().size(), 3);
        QCOMPARE(plainMessages(h), QStringList{QStringLiteral("Done.")});
        QCOMPARE(h.yield.calls() - yieldsBefore, 4); // one pass, three names: the nested click yielded nowhere
        QVERIFY2(h.problems().isEmpty(), qPrintable(h.problems().join(u'\n')));
    }

    void filterChangedMidRunAppliesFromTheNextName_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("* to txt") << "*"
                                  << "txt";
        QTest::newRow("txt to *") << "txt"
                                  << "*";
        QTest::newRow("md to txt") << "md"
                                   << "TXT";
    }
    void filterChangedMidRunAppliesFromTheNextName()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        TestTree tree({"f/1.txt", "f/2.md", "f/3.txt", "f/4.md", "f/5.txt", "f/6.md"});
        const QStringList order = enumerationOrder(tree.path(QStringLiteral("f")));
        QCOMPARE(order.size(), 6);
        WindowHarness h;
        h.start();
        h.form().Text1.setText(before);
        h.form().ListView1.append(tree.path(QStringLiteral("f")));
        // Yield 1 is the pass's, yield k + 1 comes before name k: the change lands before the third name.
        h.yield.at(4, [&] { h.form().Text1.setText(after); });
        h.click(5);
        auto accepts = [](const QString& filter, const QString& name) {
            return filter == QLatin1String("*") || name.endsWith(QChar(u'.') + filter.toLower());
        };
        QStringList expected;
        for (int k = 0; k < order.size(); ++k)
            if (accepts(k < 2 ? before : after, order[k]))
                expected.append(tree.path(QStringLiteral("f/") + order[k]));
        QCOMPARE(h.resultEntries(), expected);
        QVERIFY2(h.problems().isEmpty(), qPrintable(h.problems().join(u'\n')));
    }

    // Clearing the results pane drops the folder prefixes that its lines share; later lines must not use
    // the pass's dropped prefix.
    void clearListMidRunEmptiesThePaneAndLaterLinesGoIntoIt()
    {
        TestTree tree({"f/1", "f/2", "f/3", "f/4", "g/5", "g/6"});
        const QStringList order = enumerationOrder(tree.path(QStringLiteral("f")));
        WindowHarness h;
        h.start();
        h.form().ListView1.append(tree.path(QStringLiteral("f")));
        h.form().ListView1.append(tree.path(QStringLiteral("g")));
        h.yield.at(4, [&] { h.click(8); }); // before the third name of f
        h.click(5);
        QStringList expected = {tree.path(QStringLiteral("f/") + order[2]), tree.path(QStringLiteral("f/") + order[3])};
        QCOMPARE(h.resultEntries().mid(0, 2), expected);
        QCOMPARE(sorted(h.resultEntries().mid(2)), linesUnder(tree.path(QStringLiteral("g")), {"5", "6"}));
        QCOMPARE(plainMessages(h), QStringList{QStringLiteral("Done.")});
        QVERIFY2(h.problems().isEmpty(), qPrintable(h.problems().join(u'\n')));
    }

    void removedFolderEntriesGiveOneReportPerVanishedPass_data()
    {
        QTest::addColumn<int>("removed");
        QTest::newRow("one entry removed") << 1;
        QTest::newRow("two entries removed") << 2;
    }
    void removedFolderEntriesGiveOneReportPerVanishedPass()
    {
        QFETCH(int, removed);
        TestTree tree({"a/1.txt", "b/2.txt", "c/3.txt"});
        WindowHarness h;
        h.start();
        for (const char* folder : {"a", "b", "c"})
            h.form().ListView1.append(tree.path(QString::fromLatin1(folder)));
        h.yield.at(1, [&] { // before the first entry is read
            for (int i = 0; i < removed; ++i)
                h.form().ListView1.remove(1);
        });
        h.click(5);
        const QStringList all = {tree.path(QStringLiteral("b/2.txt")), tree.path(QStringLiteral("c/3.txt"))};
        QCOMPARE(h.resultEntries(), all.mid(removed - 1));
        const QList<Report> shown = reports(h);
        QCOMPARE(shown.size(), removed);
        for (const Report& report : shown) {
            QCOMPARE(report.label, 110);
            QCOMPARE(report.description, QStringLiteral("Index out of bounds"));
        }
        QCOMPARE(plainMessages(h), QStringList{QStringLiteral("Done.")});
        QVERIFY2(h.problems().isEmpty(), qPrintable(h.problems().join(u'\n')));
    }

    void entriesAppendedDuringARunAreNotListedByIt()
    {
        TestTree tree({"a/1.txt", "b/2.txt"});
        WindowHarness h;
        h.start();
        h.form().ListView1.append(tree.path(QStringLiteral("a")));
        h.yield.at(1, [&] { h.form().ListView1.append(tree.path(QStringLiteral("b"))); });
        h.click(5);
        QCOMPARE(h.resultEntries(), QStringList{tree.path(QStringLiteral("a/1.txt"))});
        QCOMPARE(h.folderEntries().size(), 2);
        QVERIFY2(h.problems().isEmpty(), qPrintable(h.problems().join(u'\n')));
    }

    void pointerIsBusyDuringPassesAndDefaultAfter()
    {
        TestTree tree({"a/1", "a/2", "b/3"});
        WindowHarness h;
        h.start();
        h.form().ListView1.append(tree.path(QStringLiteral("a")));
        h.form().ListView1.append(tree.path(QStringLiteral("b")));
        QList<int> seen;
        h.yield.every([&] { seen.append(h.form().MousePointer.value()); });
        // A command ending inside the first pass resets the pointer; the next pass sets it again.
        h.yield.at(2, [&] { h.form().MousePointer.setValue(Pointer::Default); });
        h.click(5);
        QCOMPARE(seen, (QList<int>{11, 0, 0, 11, 11}));
        QCOMPARE(h.form().MousePointer.value(), int(Pointer::Default));
        QVERIFY2(h.problems().isEmpty(), qPrintable(h.problems().join(u'\n')));
    }

    void closingTheWindowEndsTheRun()
    {
        TestTree tree({"f/1", "f/2", "f/3", "g/4"});
        WindowHarness h;
        h.start().show();
        h.form().ListView1.append(tree.path(QStringLiteral("f")));
        h.form().ListView1.append(tree.path(QStringLiteral("g")));
        h.yield.at(3, [&] { h.window().close(); }); // after the first name is appended
        h.click(5);
        QCOMPARE(h.resultEntries().size(), 1);
        QVERIFY(plainMessages(h).isEmpty());
        QVERIFY2(h.problems().isEmpty(), qPrintable(h.problems().join(u'\n')));
    }
};

QTEST_MAIN(TestCreateList)
#include "test_create_list.moc"
