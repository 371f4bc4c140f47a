#include "app/MainWindow.h"

#include "app/FolderPaneDrop.h"
#include "app/Help.h"
#include "app/PaneAccessibility.h"
#include "app/PaneMenus.h"
#include "app/PaneView.h"
#include "app/StartUp.h"
#include "editing/RemoveEntries.h"
#include "folders/AddFolders.h"
#include "folders/DroppedPaths.h"
#include "folders/FolderPaneEditing.h"
#include "folders/LoadLists.h"
#include "folders/SampleData.h"
#include "listing/CreateList.h"
#include "platform/qt/CommandGate.h"
#include "results/DragResults.h"
#include "results/ResultsOutput.h"
#include "results/ResultsPaneEditing.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <map>

namespace {

constexpr const char* kActsOnFolders = "Acts on the folder list (Directories (Folders))";
constexpr const char* kActsOnResults = "Acts on the results list (Results (List of Files))";

void runRemoval(Form& form, int button)
{
    for (const RemovalCommand& command : kRemovalCommands)
        if (command.button == button)
            runRemovalCommand(command, form.tools(), form.pane(command.pane));
}

// The push buttons in the order of the window: PushButton<number>, positions in twips (in Frame1 relative to
// the frame), the place in the keyboard order, and for the three captions that stand once above the filter
// and once below it, a description of the list the button acts on.
struct Button
{
    int number;
    const char* caption;
    bool inFrame;
    int left, top, width, height;
    int tab;
    const char* actsOn;
    void (*command)(Form&); // nothing for a button the window wires itself
};

constexpr Button kButtons[] = {
    {6, "1. Add Folders and Subfolders", false, 120, 2070, 3840, 405, 2, nullptr,
     [](Form& f) { PushButton6_Click(f.tools(), f.sys.settings, f.FolderList, f.StartFolder); }},
    {2, "Load Folders From Text File", false, 4080, 2070, 3840, 405, 8, nullptr,
     [](Form& f) { PushButton2_Click(f.tools(), f.FolderList); }},
    {9, "Clear List", false, 120, 2580, 3840, 405, 6, kActsOnFolders,
     [](Form& f) { PushButton9_Click(f.reporter, f.MousePointer, f.FolderList); }},
    {3, "Load Sample/Example Data", false, 4080, 2580, 3840, 405, 9, nullptr,
     [](Form& f) { PushButton3_Click(f.reporter, f.sys.environment, f.FolderList); }},
    {13, "Remove Filenames Containing X", false, 120, 3090, 3840, 405, 16, kActsOnFolders,
     [](Form& f) { runRemoval(f, 13); }},
    {14, "Remove Filenames Not Cont. X", false, 4080, 3090, 3840, 405, 17, kActsOnFolders,
     [](Form& f) { runRemoval(f, 14); }},
    {15, "All Files", true, 6000, 300, 960, 345, 18, nullptr, nullptr}, // the filter's own: connectCommands()
    {12, "?", true, 7080, 300, 480, 345, 15, nullptr, [](Form& f) { PushButton12_Click(f.tools()); }},
    {5, "2. Start Creating List", false, 120, 4485, 7800, 405, 3, nullptr,
     [](Form& f) { PushButton5_Click(f.tools(), f.FolderList, f.ResultList, f.FilterExtension, f.CreatingList); }},
    {7, "3. Save Results As Text File", false, 120, 6930, 3840, 405, 4, nullptr,
     [](Form& f) { PushButton7_Click(f.tools(), f.ResultList); }},
    {1, "3. Copy Results To Clipboard", false, 4080, 6930, 3840, 405, 7, nullptr,
     [](Form& f) { PushButton1_Click(f.tools(), f.sys.clipboard, f.ResultList); }},
    {8, "Clear List", false, 120, 7440, 3840, 405, 5, kActsOnResults,
     [](Form& f) { PushButton8_Click(f.reporter, f.ResultList); }},
    {11, "Help", false, 4080, 7440, 3840, 405, 12, nullptr, [](Form& f) { PushButton11_Click(f.tools()); }},
    {4, "Remove Filenames Containing X", false, 120, 7950, 3840, 405, 10, kActsOnResults,
     [](Form& f) { runRemoval(f, 4); }},
    {10, "Remove Filenames Not Cont. X", false, 4080, 7950, 3840, 405, 11, kActsOnResults,
     [](Form& f) { runRemoval(f, 10); }},
};

// The keyboard order of the controls that are not buttons; Frame1 (13) takes no focus itself.
constexpr int kFolderPaneTab = 0;
constexpr int kResultsPaneTab = 1;
constexpr int kFilterTab = 14;

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

void setColours(QWidget* widget, const QColor& background, const QColor& text)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
}

} // namespace

MainWindow::MainWindow(Services& services, CommandGate& gate, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_sys(services), m_gate(gate), m_report(services.dialogs),
      m_filterControl(services.settings, [this](std::function<void()> change) { startCommand(std::move(change)); }),
      m_form{.FolderList = m_folderList,
             .ResultList = m_resultList,
             .FilterExtension = m_filterControl,
             .MousePointer = m_pointer,
             .reporter = m_report,
             .sys = services,
             .applicationTitle = QString(),
             .StartFolder = QString()}
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
    setAutoFillBackground(true);

    installPaneAccessibility(); // before the panes, so that assistive tools see them as tables from the start
    m_listView1 = new PaneView(m_folderList, false, this);
    m_listView1->setObjectName(QStringLiteral("ListView1"));
    m_listView1->setGeometry(place(120, 120, 7800, 1845));
    m_listView1->setToolTip(
        QStringLiteral("Double-click item to remove it. Move | line to right and out of window to reveal full names."));

    m_frame1 = new QGroupBox(QStringLiteral("Filter: Only retrieve files with this file extension:"), this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setGeometry(place(120, 3570, 7800, 795));
    m_frame1->setFlat(false);
    m_frame1->setAutoFillBackground(true);

    m_text1 = new QLineEdit(QStringLiteral("Text1"), m_frame1);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setGeometry(place(240, 300, 5655, 345));
    m_text1->setMaxLength(1 << 20); // the filter is whatever the user types: no silent cut at 32767

    m_listView2 = new PaneView(m_resultList, true, this);
    m_listView2->setObjectName(QStringLiteral("ListView2"));
    m_listView2->setGeometry(place(120, 4995, 7800, 1845));
    m_listView2->setToolTip(QStringLiteral("Move | line to right and out of window to reveal full names."));

    std::map<int, QWidget*> tabOrder{
        {kFolderPaneTab, m_listView1}, {kResultsPaneTab, m_listView2}, {kFilterTab, m_text1}};
    for (const Button& b : kButtons) {
        auto* button =
            new QPushButton(QString::fromUtf8(b.caption), b.inFrame ? static_cast<QWidget*>(m_frame1) : this);
        button->setObjectName(QStringLiteral("PushButton%1").arg(b.number));
        button->setGeometry(place(b.left, b.top, b.width, b.height));
        button->setFont(arial(11.25));
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::StrongFocus);
        button->setAccessibleName(button->text());
        if (b.actsOn)
            button->setAccessibleDescription(QString::fromUtf8(b.actsOn));
        m_buttons[b.number] = button;
        tabOrder[b.tab] = button;
    }
    m_listView1->setAccessibleName(QStringLiteral("Directories (Folders)"));
    m_listView2->setAccessibleName(QStringLiteral("Results (List of Files)"));
    m_text1->setAccessibleName(m_frame1->title());
    for (auto next = std::next(tabOrder.begin()); next != tabOrder.end(); ++next)
        setTabOrder(std::prev(next)->second, next->second);
    applyColours();

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

// The window and the frame keep their own background under every desktop palette: white, or with a skin the
// desktop's button face. What they draw on it themselves (the frame's caption and line) takes the colour made
// for that background. The controls draw their backgrounds and texts from the desktop's palette, the empty
// end of a pane's header included.
void MainWindow::applyColours()
{
    const QPalette desktop = QApplication::palette();
    const QColor background = m_skinned ? desktop.color(QPalette::Button) : QColor(Qt::white);
    const QColor text = m_skinned ? desktop.color(QPalette::ButtonText) : QColor(Qt::black);
    setColours(this, background, text);
    setColours(m_frame1, background, text);
    for (QWidget* pane : {m_listView1, m_listView2})
        setColours(pane, desktop.color(QPalette::Window), desktop.color(QPalette::WindowText));
}

void MainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ApplicationPaletteChange)
        applyColours();
    QWidget::changeEvent(event);
}

QPushButton* MainWindow::PushButton(int number) const
{
    return number >= 1 && number <= 15 ? m_buttons[number] : nullptr;
}

template <class Handler> void MainWindow::startCommand(Handler handler)
{
    m_gate.start([handler = std::move(handler)] {
        try {
            handler();
        } catch (const ProgramClosing&) {
            // The window has closed while the command waited: it does not resume.
        } catch (const std::exception& error) {
            // A handler without an error report of its own: its failure ends it and goes no further.
            qWarning("Tallyfold: %s", error.what());
        }
    });
}

void MainWindow::connectCommands()
{
    for (const Button& b : kButtons)
        if (b.command)
            connect(m_buttons[b.number], &QPushButton::clicked, this,
                    [this, command = b.command] { startCommand([this, command] { command(m_form); }); });
    connect(m_listView1, &PaneView::dblClick, this,
            [this] { startCommand([this] { ListView1_DblClick(m_form.MousePointer, m_folderList); }); });
    connect(m_listView1, &PaneView::keyDown, this, [this](int key, int shift) {
        startCommand([=, this] { ListView1_KeyDown(m_form.MousePointer, m_folderList, key, shift); });
    });
    connect(m_listView2, &PaneView::keyDown, this, [this](int key, int shift) {
        startCommand([=, this] { ListView2_KeyDown(m_form.MousePointer, m_resultList, key, shift); });
    });
    for (PaneView* view : {m_listView1, m_listView2})
        view->setActionStarter([this](std::function<void()> action) { startCommand(std::move(action)); });
    m_listView1->setDropTarget([this](const QMimeData& data) { return droppedFolders(data); },
                               [this](const QStringList& paths) { dropOnFolderPane(paths); });
    m_listView2->setDragSource([this] { return draggedResults(); });
    m_paneMenus = new PaneMenus(
        m_form, m_gate, [this](std::function<void()> command) { startCommand(std::move(command)); }, *m_listView1,
        *m_listView2);
    // The filter: the box's changes and "All Files" go one way, from the window to the listing's rule.
    m_filterControl.attach(*m_text1);
    connect(m_buttons[15], &QPushButton::clicked, this,
            [this] { startCommand([this] { PushButton15_Click(m_report, m_filterControl); }); });
}

namespace {
const QString kUriList = QStringLiteral("text/uri-list");
}

// The folders a drag carries, read once as it enters: nothing when the folder pane refuses it. The gate refuses
// every drop while a command runs or the window takes no input.
std::optional<QStringList> MainWindow::droppedFolders(const QMimeData& data) const
{
    if (!data.hasFormat(kUriList))
        return std::nullopt;
    return droppedPaths(data.data(kUriList));
}

// The folders are added as the drop comes, like a click's command.
void MainWindow::dropOnFolderPane(const QStringList& paths)
{
    startCommand(
        [this, paths] { addDroppedPaths(m_form.tools(), m_sys.settings, m_folderList, m_form.StartFolder, paths); });
}

void MainWindow::openWith(const QStringList& operands)
{
    QStringList paths;
    for (const QString& operand : operands) {
        QString path = QDir::toNativeSeparators(QFileInfo(operand).absoluteFilePath());
        while (path.size() > 1 && path.endsWith(QDir::separator()))
            path.chop(1);
        paths.append(path);
    }
    dropOnFolderPane(paths);
}

QMimeData* MainWindow::draggedResults() const
{
    const std::optional<DraggedResults> dragged = ::draggedResults(m_resultList);
    if (!dragged)
        return nullptr;
    auto* data = new QMimeData;
    data->setData(kUriList, dragged->uriList);
    data->setText(QString::fromUtf8(dragged->text));
    return data;
}

void MainWindow::WindowPointer::setValue(int value)
{
    m_value = value;
    switch (value) {
    case Pointer::Busy: m_window.setCursor(Qt::WaitCursor); break;
    case Pointer::Custom: m_window.setCursor(m_custom ? *m_custom : QCursor(Qt::ArrowCursor)); break;
    default: m_window.setCursor(Qt::ArrowCursor); break;
    }
}

void MainWindow::PushButton_MouseMove()
{
    if (!m_pointer.isBusy())
        m_pointer.setValue(Pointer::Custom);
}

void MainWindow::Form_MouseMove()
{
    if (!m_pointer.isBusy())
        m_pointer.setValue(Pointer::Default);
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

void MainWindow::Form_Load()
{
    Procedure proc(m_report, procedureText(QStringLiteral("Form1"), QStringLiteral("Form_Load")));
    const QString sep = separator();

    proc.step(100, [&] { ApplySkin(); });
    proc.step(104, [&] { setWindowTitle(kProductName); });
    proc.step(104, [&] {
        setWindowIcon(QIcon::fromTheme(QStringLiteral("tallyfold"), QIcon(QStringLiteral(":/tallyfold-256.png"))));
    });
    proc.step(104, [&] { SetApplicationTitle(); });
    const QString cursorFile = m_sys.programFolder + sep + QStringLiteral("HAND-M.CUR");
    if (proc.test(106, [&] { return m_sys.files.PathExists(cursorFile); }))
        proc.step(108, [&] { m_customPointer = cursorFromFile(m_sys.files.readAll(cursorFile)); });
    proc.step(128, [&] { m_folderList.addColumn(QStringLiteral("Directories (Folders)")); });
    proc.step(130, [&] { m_listView1->setColumnWidth(0, twips(7000)); });
    proc.step(132, [&] { m_resultList.addColumn(QStringLiteral("Results (List of Files)")); });
    proc.step(134, [&] { m_listView2->setColumnWidth(0, twips(7000)); });
    const bool restored = proc.step(136, [&] { m_filterControl.setText(GetSetting(m_sys.settings, Setting::Filter)); });
    // A filter that could not be read starts as "every file", not as the box's design-time text, which would
    // list nothing. That is no change of the user's: the stored filter stays as it is, a read that failed for
    // a moment never replaces it, and the store is written again once the user changes the box.
    if (!restored)
        m_filterControl.showUnstored(QStringLiteral("*"));
}

void MainWindow::ApplySkin()
{
    const QString sep = separator();
    const QString skin = m_sys.programFolder + sep + QStringLiteral("x") + sep + QStringLiteral("o.cjs");
    if (!m_sys.files.isNormalFile(skin))
        return;

    m_skinned = true;
    applyColours();

    const QByteArray content = m_sys.files.readAll(skin);
    const QString sheet = QString::fromUtf8(content);
    checkStyleSheet(sheet);
    setStyleSheet(sheet);
    m_skin = sheet;
}

void MainWindow::SetApplicationTitle()
{
    m_form.applicationTitle = applicationTitleFor(kProductName);
}
