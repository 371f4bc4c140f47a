#pragma once

#include "app/ErrorReport.h"
#include "app/FilterControl.h"
#include "commands/Form.h"
#include "panes/PaneModel.h"

#include <QCursor>
#include <QWidget>

#include <functional>
#include <optional>

class CommandGate;
class PaneMenus;
class PaneView;
class QMimeData;
class QGroupBox;
class QLineEdit;
class QPushButton;

// Form1, the program's one window: the folder pane, the filter, the results pane and fifteen buttons, each
// wired to its command. It owns the state that the commands work on.
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    // Client area 8040 x 8445 twips.
    static constexpr int kTwipsPerPixel = 15;
    static constexpr int twips(int value) { return (value + kTwipsPerPixel / 2) / kTwipsPerPixel; }

    // Every command starts through `gate`: a click, a key, a drop, an assistive tool's action.
    MainWindow(Services& services, CommandGate& gate, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up sequence; the window is shown after it.
    void Form_Load();
    // Shows the window centred on its screen.
    void showCentred();
    // What ends the program's commands when the window closes (the yield and the dialogs stop).
    void setUnloadHandler(std::function<void()> handler) { m_unload = std::move(handler); }

    Form& form() { return m_form; }
    QPushButton* PushButton(int number) const; // 1 to 15
    PaneView* ListView1() const { return m_listView1; }
    PaneView* ListView2() const { return m_listView2; }
    QLineEdit* Text1() const { return m_text1; }
    QGroupBox* Frame1() const { return m_frame1; }
    PaneMenus* paneMenus() const { return m_paneMenus; }
    const std::optional<QCursor>& customPointer() const { return m_customPointer; }
    const QString& styleSheetApplied() const { return m_skin; }

    // Adds the folders and loads the list files as a drop of them on the folder pane does.
    void dropOnFolderPane(const QStringList& paths);
    // The same for the operands of the command line: paths relative to the working folder or full, a trailing
    // separator or not.
    void openWith(const QStringList& operands);

    // The hover handlers: the hand over a button, the arrow elsewhere, the hourglass left alone.
    void PushButton_MouseMove();
    void Form_MouseMove();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // The mouse pointer as the commands set it, shown over the whole window.
    class WindowPointer : public PointerState
    {
    public:
        WindowPointer(QWidget& window, const std::optional<QCursor>& custom) : m_window(window), m_custom(custom) {}
        int value() const override { return m_value; }
        void setValue(int value) override;

    private:
        QWidget& m_window;
        const std::optional<QCursor>& m_custom; // the hand, once loaded
        int m_value = Pointer::Default;
    };

    void createControls();
    void applyColours();
    QMimeData* draggedResults() const;
    std::optional<QStringList> droppedFolders(const QMimeData& data) const;
    void connectCommands();
    // Starts a command through the gate; what it lets escape ends it there.
    template <class Handler> void startCommand(Handler handler);
    void ApplySkin();
    void SetApplicationTitle();
    void Form_Unload();

    Services& m_sys;
    CommandGate& m_gate;
    PaneModel m_folderList{false};
    PaneModel m_resultList{true};
    ErrorReportBox m_report;
    std::optional<QCursor> m_customPointer;
    WindowPointer m_pointer{*this, m_customPointer};
    FilterControl m_filterControl;
    Form m_form;
    QString m_skin;
    bool m_skinned = false;
    std::function<void()> m_unload;

    PaneView* m_listView1 = nullptr;
    PaneView* m_listView2 = nullptr;
    PaneMenus* m_paneMenus = nullptr;
    QGroupBox* m_frame1 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QPushButton* m_buttons[16] = {};
};
