#pragma once

#include "commands/PointerState.h"
#include "commands/Procedure.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Yield.h"

#include <QString>
#include <QStringList>

// What a command works with besides its panes: its error report, the dialogs, the window's message box and input
// box (which carry the application title), the pointer, the file system and the yield.
struct CommandTools
{
    Reporter& reporter;
    Dialogs& dialogs;
    const QString& applicationTitle;
    PointerState& pointer;
    FileSystem& files;
    Yield& yield;

    int MsgBox(const QString& text, int buttons = MsgBoxCode::OkOnly) const
    {
        return dialogs.messageBox(text, buttons, applicationTitle);
    }
    QString InputBox(const QString& prompt) const { return dialogs.inputBox(prompt, applicationTitle); }
};

// The file types that the list-file and the save dialogs offer.
inline const QStringList kTextFileFilters = {QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*.*)")};
