#pragma once

#include <QString>
#include <QStringList>

// Buttons-and-icon codes and answers of the program's message boxes.
namespace MsgBoxCode {
constexpr int OkOnly = 0;
constexpr int YesNo = 4;
constexpr int Exclamation = 48;
} // namespace MsgBoxCode

namespace MsgBoxAnswer {
constexpr int Ok = 1;
constexpr int Yes = 6;
constexpr int No = 7;
} // namespace MsgBoxAnswer

// Everything modal the program shows. Each call returns when the user has answered.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // Returns the answer code. Carriage returns in the text start new lines.
    virtual int messageBox(const QString& text, int buttons, const QString& title) = 0;
    // OK returns the typed text; Cancel returns "".
    virtual QString inputBox(const QString& prompt, const QString& title) = 0;
    // A folder chooser opening at `startFolder` when it exists; returns the folder without a trailing
    // separator (but for a root), or "" on Cancel.
    virtual QString pickFolder(const QString& prompt, const QString& startFolder) = 0;
    // The file-open dialog with several files allowed; returns full paths, none on Cancel.
    virtual QStringList openFileNames(const QString& title, const QStringList& filters) = 0;
    // The file-save dialog with no overwrite question of its own; returns the path or "" on Cancel. Where
    // `filter` is given, the dialog opens with that file type (an index into `filters`) chosen and it returns
    // the type chosen last.
    virtual QString saveFileName(const QString& title, const QStringList& filters, int* filter = nullptr) = 0;
};
