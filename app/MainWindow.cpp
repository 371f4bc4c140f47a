#include "app/MainWindow.h"

#include "app/Help.h"
#include "app/PaneView.h"
#include "folders/AddFoldersCommand.h"
#include "folders/FolderPaneEditing.h"
#include "folders/LoadLists.h"
#include "folders/SampleData.h"
#include "listing/CreateList.h"
#include "listing/ExtensionFilter.h"
#include "results/RemoveEntries.h"
#include "results/ResultsOutput.h"
#include "results/ResultsPaneEditing.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace {

struct ButtonPlace
{
    int number;
    const char* caption;
    bool inFrame;
    int left, top, width, height;
};

// The push buttons in the order of the window, positions in twips.
constexpr ButtonPlace kButtons[] = {
    {6, "1. Add Folders and Subfolders", false, 120, 2070, 3840, 405},
    {2, "Load Folders From Text File", false, 4080, 2070, 3840, 405},
    {9, "Clear List", false, 120, 2580, 3840, 405},
    {3, "Load Sample/Example Data", false, 4080, 2580, 3840, 405},
    {13, "Remove Filenames Containing X", false, 120, 3090, 3840, 405},
    {14, "Remove Filenames Not Cont. X", false, 4080, 3090, 3840, 405},
    {15, "All Files", true, 6000, 300, 960, 345},
    {12, "?", true, 7080, 300, 480, 345},
    {5, "2. Start Creating List", false, 120, 4485, 7800, 405},
    {7, "3. Save Results As Text File", false, 120, 6930, 3840, 405},
    {1, "3. Copy Results To Clipboard", false, 4080, 6930, 3840, 405},
    {8, "Clear List", false, 120, 7440, 3840, 405},
    {11, "Help", false, 4080, 7440, 3840, 405},
    {4, "Remove Filenames Containing X", false, 120, 7950, 3840, 405},
    {10, "Remove Filenames Not Cont. X", false, 4080, 7950, 3840, 405},
};

// The keyboard order after the two panes; then come the filter box and the buttons "?", the folder pane's
// two removals and "All Files".
constexpr int kButtonTabOrder[] = {6, 5, 7, 8, 9, 1, 2, 3, 4, 10, 11};

QRect place(int left, int top, int width, int height)
{
    return QRect(MainWindow::twips(left), MainWindow::twips(top), MainWindow::twips(width), MainWindow::twips(height));
}

QFont arial(qreal points)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

void paintWhite(QWidget* widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::white);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

MainWindow::MainWindow(Services& services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_sys(services), m_report(services.dialogs), m_form{m_folders, m_results, *this, *this,    m_report,
                                                          services,  QString(), false, QString()}
{
    createControls();
    connectCommands();
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls()
{
    setObjectName(QStringLiteral("Form1"));
    setFixedSize(twips(8040), twips(8445));
    setFont(arial(9));
    paintWhite(this);

    m_listView1 = new PaneView(m_folders, false, this);
    m_listView1->setObjectName(QStringLiteral("ListView1"));
    m_listView1->setGeometry(place(120, 120, 7800, 1845));
    m_listView1->setToolTip(
        QStringLiteral("Double-click item to remove it. Move | line to right and out of window to reveal full names."));

    m_frame1 = new QGroupBox(QStringLiteral("Filter: Only retrieve files with this file extension:"), this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setGeometry(place(120, 3570, 7800, 795));
    m_frame1->setFlat(false);
    paintWhite(m_frame1);

    m_text1 = new QLineEdit(QStringLiteral("Text1"), m_frame1);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setGeometry(place(240, 300, 5655, 345));
    m_text1->setMaxLength(1 << 20); // the filter is whatever the user types: no silent cut at 32767

    m_listView2 = new PaneView(m_results, true, this);
    m_listView2->setObjectName(QStringLiteral("ListView2"));
    m_listView2->setGeometry(place(120, 4995, 7800, 1845));
    m_listView2->setToolTip(QStringLiteral("Move | line to right and out of window to reveal full names."));

    for (const ButtonPlace& b : kButtons) {
        auto* button =
            new QPushButton(QString::fromUtf8(b.caption), b.inFrame ? static_cast<QWidget*>(m_frame1) : this);
        button->setObjectName(QStringLiteral("PushButton%1").arg(b.number));
        button->setGeometry(place(b.left, b.top, b.width, b.height));
        button->setFont(arial(11.25));
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::StrongFocus);
        button->setAccessibleName(button->text());
        m_buttons[b.number] = button;
    }
    m_listView1->setAccessibleName(QStringLiteral("Directories (Folders)"));
    m_listView2->setAccessibleName(QStringLiteral("Results (List of Files)"));
    m_text1->setAccessibleName(m_frame1->title());
    // Three captions stand once above the filter and once below it: the description tells which list each
    // button acts on.
    for (int number : {9, 13, 14})
        m_buttons[number]->setAccessibleDescription(QStringLiteral("Acts on the folder list (Directories (Folders))"));
    for (int number : {8, 4, 10})
        m_buttons[number]->setAccessibleDescription(QStringLiteral("Acts on the results list (Results (List of Files))"));

    QWidget* previous = m_listView1;
    auto chain = [&](QWidget* next) {
        setTabOrder(previous, next);
        previous = next;
    };
    chain(m_listView2);
    for (int number : kButtonTabOrder)
        chain(m_buttons[number]);
    chain(m_text1);
    chain(m_buttons[12]);
    chain(m_buttons[13]);
    chain(m_buttons[14]);
    chain(m_buttons[15]);

    // The hover handlers see every mouse move over a control or the window's background; a move over a
    // control is that control's alone and does not reach the frame or window behind it.
    setMouseTracking(true);
    QList<QWidget*> controls = {m_listView1,
                                m_listView1->viewport(),
                                m_listView1->header(),
                                m_listView2,
                                m_listView2->viewport(),
                                m_listView2->header(),
                                m_text1,
                                m_frame1};
    for (int number = 1; number <= 15; ++number)
        controls.append(m_buttons[number]);
    for (QWidget* control : controls) {
        control->setMouseTracking(true);
        control->setAttribute(Qt::WA_NoMousePropagation);
        control->installEventFilter(this);
    }
}

QPushButton* MainWindow::PushButton(int number) const
{
    return number >= 1 && number <= 15 ? m_buttons[number] : nullptr;
}

template <class Handler> void MainWindow::handle(Handler&& handler)
{
    try {
        handler();
    } catch (const ProgramClosing&) {
        // The window has closed while the command waited: it does not resume.
    } catch (const std::exception& error) {
        // A handler without an error report of its own: its failure ends it and goes no further.
        qWarning("Tallyfold: %s", error.what());
    }
}

void MainWindow::connectCommands()
{
    auto onClick = [this](int number, void (*command)(Form&)) {
        connect(m_buttons[number], &QPushButton::clicked, this, [this, command] { handle([&] { command(m_form); }); });
    };

    // Application shell
    onClick(11, PushButton11_Click);

    // Folder collection
    onClick(6, PushButton6_Click);
    onClick(2, PushButton2_Click);
    onClick(3, PushButton3_Click);
    onClick(9, PushButton9_Click);
    connect(m_listView1, &PaneView::dblClick, this, [this] { handle([&] { ListView1_DblClick(m_form); }); });
    connect(m_listView1, &PaneView::keyDown, this,
            [this](int key, int shift) { handle([&] { ListView1_KeyDown(m_form, key, shift); }); });

    // File listing
    connect(m_text1, &QLineEdit::textChanged, this, [this] { handle([&] { Text1_Change(m_form); }); });
    onClick(12, PushButton12_Click);
    onClick(15, PushButton15_Click);
    onClick(5, PushButton5_Click);

    // Refinement and output
    onClick(7, PushButton7_Click);
    onClick(1, PushButton1_Click);
    onClick(4, PushButton4_Click);
    onClick(10, PushButton10_Click);
    onClick(13, PushButton13_Click);
    onClick(14, PushButton14_Click);
    onClick(8, PushButton8_Click);
    connect(m_listView2, &PaneView::keyDown, this,
            [this](int key, int shift) { handle([&] { ListView2_KeyDown(m_form, key, shift); }); });
}

void MainWindow::setValue(int value)
{
    m_pointer = value;
    switch (value) {
    case Pointer::Busy: setCursor(Qt::WaitCursor); break;
    case Pointer::Custom: setCursor(m_customPointer ? *m_customPointer : QCursor(Qt::ArrowCursor)); break;
    default: setCursor(Qt::ArrowCursor); break;
    }
}

void MainWindow::PushButton_MouseMove()
{
    if (m_pointer != Pointer::Busy)
        setValue(Pointer::Custom);
}

void MainWindow::Form_MouseMove()
{
    if (m_pointer != Pointer::Busy)
        setValue(Pointer::Default);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        if (qobject_cast<QPushButton*>(watched))
            PushButton_MouseMove();
        else
            Form_MouseMove();
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::mouseMoveEvent(QMouseEvent* event)
{
    Form_MouseMove();
    QWidget::mouseMoveEvent(event);
}

QString MainWindow::text() const
{
    return m_text1->text();
}

void MainWindow::setText(const QString& text)
{
    // The box raises no change of its own for the text it already shows, yet every set is a change: "All
    // Files" on a box showing "*" still stores "*" over whatever the store holds.
    if (m_text1->text() == text)
        handle([&] { Text1_Change(m_form); });
    else
        m_text1->setText(text);
}

void MainWindow::showCentred()
{
    const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect(0, 0, 1024, 768);
    move(screen.center() - QPoint(width() / 2, height() / 2));
    show();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void MainWindow::Form_Unload()
{
    if (m_unload)
        m_unload();
    QCoreApplication::quit();
}
