// Every text of the window and of its message boxes, measured from a grab, against what is behind it: at
// least 4.5:1 (WCAG AA) under the desktop's own palette and under a dark Fusion palette. Run a second time
// by CTest under the GTK theme's Adwaita dark, where the desktop's palette is that theme's.
#include "WindowHarness.h"
#include "app/PaneView.h"
#include "platform/qt/QtDialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleFactory>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <map>

namespace {

double luminance(QRgb colour)
{
    auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(colour)) + 0.7152 * channel(qGreen(colour)) + 0.0722 * channel(qBlue(colour));
}

double contrast(QRgb a, QRgb b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The contrast of the text in `area`: its background is the area's most frequent colour, its ink the pixel
// that stands out most from that. An area whose text cannot be seen at all measures 1.
double textContrast(const QImage& image, const QRect& area)
{
    std::map<QRgb, int> counts;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            ++counts[image.pixel(x, y) | 0xff000000];
    if (counts.empty())
        return 0;
    const QRgb background =
        std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
    double best = 1;
    for (const auto& [colour, count] : counts)
        best = std::max(best, contrast(colour, background));
    return best;
}

// Where a text stands in a widget: its advance, centred as a button centres it or at the left edge.
QRect textArea(const QWidget& widget, const QString& text, bool centred, int top = -1)
{
    const QFontMetrics metrics(widget.font());
    const int width = metrics.horizontalAdvance(text), height = metrics.height();
    const QRect own = widget.rect();
    const int left = centred ? own.center().x() - width / 2 : 2;
    return QRect(left, top >= 0 ? top : own.center().y() - height / 2, width, height);
}

struct Measure
{
    QStringList low; // every text under 4.5:1
    double lowest = 100;
    void add(const QString& what, const QImage& image, const QRect& area)
    {
        const double value = textContrast(image, area);
        lowest = std::min(lowest, value);
        if (value < 4.5)
            low.append(QStringLiteral("%1: %2:1").arg(what).arg(value, 0, 'f', 2));
    }
    // A whole widget's grab: each label and button of a dialog.
    void addDialog(const QString& what, QWidget& dialog)
    {
        const QImage image = dialog.grab().toImage();
        for (QLabel* label : dialog.findChildren<QLabel*>())
            if (!label->text().isEmpty() && label->isVisible())
                add(what + QStringLiteral(" text"), image,
                    QRect(label->mapTo(&dialog, QPoint(0, 0)), label->size()).adjusted(0, 0, 0, 0));
        for (QPushButton* button : dialog.findChildren<QPushButton*>())
            add(what + QStringLiteral(" button ") + button->text(), image,
                textArea(*button, button->text().remove(u'&'), true).translated(button->mapTo(&dialog, QPoint(0, 0))));
    }
};

QPalette darkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 45));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::AlternateBase, QColor(53, 53, 53));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Button, QColor(53, 53, 53));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, Qt::black);
    dark.setColor(QPalette::ToolTipBase, QColor(53, 53, 53));
    dark.setColor(QPalette::ToolTipText, QColor(230, 230, 230));
    return dark;
}

} // namespace

class TestContrast : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_desktop = QApplication::palette();
        if (qgetenv("QT_QPA_PLATFORMTHEME") == "gtk3") // the Adwaita dark run
            QVERIFY2(m_desktop.color(QPalette::Window).lightness() < 100,
                     "the GTK platform theme did not load (package qt6-gtk-platformtheme)");
    }

    void everyTextIsReadable_data()
    {
        QTest::addColumn<bool>("fusionDark");
        QTest::newRow(qgetenv("QT_QPA_PLATFORMTHEME") == "gtk3" ? "Adwaita dark" : "the desktop's palette") << false;
        QTest::newRow("Fusion dark") << true;
    }
    void everyTextIsReadable()
    {
        QFETCH(bool, fusionDark);
        if (fusionDark) {
            QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
            QApplication::setPalette(darkPalette());
        }
        Measure measure;
        {
            WindowHarness harness;
            MainWindow& window = harness.start();
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            harness.form().FolderList.append(QStringLiteral("/home/user/Documents/"));
            PaneModel& results = harness.form().ResultList;
            for (const char* path : {"/home/user/Documents/a.txt", "/home/user/Documents/b.txt", "/home/user/c.txt"})
                results.append(QString::fromLatin1(path));
            results.setChecked(2, true);
            QCoreApplication::processEvents(); // the rows reach the views
            window.activateWindow();
            window.ListView2()->setFocus();
            window.ListView2()->selectRow(3);
            QCoreApplication::processEvents();
            const QImage image = window.grab().toImage();
            auto at = [&](QWidget* widget, const QRect& area) {
                return area.translated(widget->mapTo(&window, QPoint(0, 0)));
            };

            measure.add(QStringLiteral("frame caption"), image,
                        at(window.Frame1(), textArea(*window.Frame1(), window.Frame1()->title(), false, 0)));
            for (int number = 1; number <= 15; ++number) {
                QPushButton* button = window.PushButton(number);
                measure.add(button->objectName(), image, at(button, textArea(*button, button->text(), true)));
            }
            measure.add(QStringLiteral("filter box"), image,
                        at(window.Text1(), QRect(4, 4, 16, window.Text1()->height() - 8)));
            for (PaneView* pane : {window.ListView1(), window.ListView2()}) {
                QHeaderView* header = pane->header();
                const QString title = pane->paneModel().headerData(0, Qt::Horizontal).toString();
                measure.add(pane->objectName() + QStringLiteral(" header"), image,
                            at(header, textArea(*header, title, false)));
                for (int row = 1; row <= pane->paneModel().count(); ++row) {
                    QRect area = pane->visualRect(pane->paneModel().index(row - 1, 0)).adjusted(0, 1, 0, -1);
                    area.setLeft(area.left() + (pane == window.ListView2() ? area.height() + 8 : 2));
                    area.setWidth(QFontMetrics(pane->font()).horizontalAdvance(pane->paneModel().text(row)) - 4);
                    measure.add(QStringLiteral("%1 row %2").arg(pane->objectName()).arg(row), image,
                                at(pane->viewport(), area));
                }
            }

            // The program's message box and input box, over the window.
            QtDialogs dialogs(harness.gate);
            dialogs.setOwner(&window);
            auto measureAndClose = [&](const QString& what) {
                QTimer::singleShot(50, [&, what] {
                    QWidget* box = QApplication::activeModalWidget();
                    QVERIFY(box);
                    measure.addDialog(what, *box);
                    box->close();
                });
            };
            measureAndClose(QStringLiteral("message box"));
            dialogs.messageBox(QStringLiteral("Done."), MsgBoxCode::YesNo, QStringLiteral("Tallyfold"));
            measureAndClose(QStringLiteral("input box"));
            dialogs.inputBox(QStringLiteral("Enter the text to look for:"), QStringLiteral("Tallyfold"));
        }
        QApplication::setPalette(m_desktop);
        qInfo("lowest contrast: %.2f:1", measure.lowest);
        QVERIFY2(measure.low.isEmpty(), qPrintable(measure.low.join(u'\n')));
    }

private:
    QPalette m_desktop;
};

QTEST_MAIN(TestContrast)
#include "test_contrast.moc"
