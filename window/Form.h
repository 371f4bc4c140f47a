#pragma once

#include "platform/Clipboard.h"
#include "platform/Dialogs.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStorage.h"
#include "platform/Yield.h"
#include "window/ListPane.h"
#include "window/Pointer.h"
#include "window/Steps.h"

#include <QString>
#include <QStringList>

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

// The window's own message box and input box, which carry the application title, and the system's dialogs.
struct WindowDialogs
{
    Dialogs& dialogs;
    const QString& applicationTitle;

    int MsgBox(const QString& text, int buttons = MsgBoxCode::OkOnly) const
    {
        return dialogs.messageBox(text, buttons, applicationTitle);
    }
    QString InputBox(const QString& prompt) const { return dialogs.inputBox(prompt, applicationTitle); }
};

// The file types that the list-file and the save dialogs offer.
inline const QStringList kTextFileFilters = {QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*.*)")};

// What a command that runs for a while works with besides its panes: its error report, the dialogs, the
// pointer, the file system and the yield.
struct CommandTools
{
    Reporter& reporter;
    WindowDialogs ask;
    PointerState& pointer;
    FileSystem& files;
    Yield& yield;
};

// The window's two panes.
enum class Pane { Folders, Results };

// The main window's state as the commands see it; the window hands each command the pieces it works on.
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

    ListPane& pane(Pane which) { return which == Pane::Folders ? ListView1 : ListView2; }
    WindowDialogs ask() { return {sys.dialogs, applicationTitle}; }
    CommandTools tools() { return {reporter, ask(), MousePointer, sys.files, sys.yield}; }
};
