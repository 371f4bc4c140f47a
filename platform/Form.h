#pragma once

#include "platform/Clipboard.h"
#include "platform/Dialogs.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/ListPane.h"
#include "platform/SettingsStorage.h"
#include "platform/Steps.h"
#include "platform/Yield.h"

#include <QString>

// The main window's mouse pointer; its value 11 doubles as the program's busy flag.
namespace Pointer {
constexpr int Default = 0;
constexpr int Busy = 11;
constexpr int Custom = 99;
} // namespace Pointer

class PointerState
{
public:
    virtual ~PointerState() = default;
    virtual int value() const = 0;
    virtual void setValue(int value) = 0;
};

// A one-line text box; setting its text raises its change event.
class TextBox
{
public:
    virtual ~TextBox() = default;
    virtual QString text() const = 0;
    virtual void setText(const QString& text) = 0;
};

// What the program asks of the system.
struct Services
{
    Dialogs& dialogs;
    Yield& yield;
    FileSystem& files;
    Clipboard& clipboard;
    SettingsStorage& settings;
    Environment& environment;
    QString programFolder; // the folder that holds the program, without a trailing separator
};

// The main window's state as the commands see it.
struct Form
{
    ListPane& ListView1; // FolderList
    ListPane& ListView2; // ResultList
    TextBox& Text1;      // FilterExtension
    PointerState& MousePointer;
    Reporter& reporter;
    Services& sys;
    QString applicationTitle;
    bool CreatingList = false;
    QString StartFolder; // the folder chooser's first selection, as "1. Add Folders and Subfolders" last read it

    bool busy() const { return MousePointer.value() == Pointer::Busy; }
    int MsgBox(const QString& text, int buttons = MsgBoxCode::OkOnly)
    {
        return sys.dialogs.messageBox(text, buttons, applicationTitle);
    }
    QString InputBox(const QString& prompt) { return sys.dialogs.inputBox(prompt, applicationTitle); }
};

// The key code of the Delete key, as the panes' key-down handlers compare it.
constexpr int kKeyDelete = 46;

// Removes the selected entry of a pane, unless a command holds the busy pointer, the pane is empty or
// nothing is selected. Only one entry goes.
inline void RemoveSelectedEntry(Form& form, ListPane& pane)
{
    if (form.busy() || pane.count() == 0)
        return;
    if (const int selected = pane.selectedIndex())
        pane.remove(selected);
}
