#pragma once

#include <QString>
#include <QStringList>

// What `tallyfold --list` is asked for.
struct ListOptions
{
    enum class LineEnd { Lf, CrLf, Nul };

    bool subfolders = false; // each folder walked as "1. Add Folders and Subfolders" walks a picked one
    QString filter = QStringLiteral("*"); // as typed into the filter box
    bool csv = false;
    LineEnd end = LineEnd::Lf;
    QString output; // "" for standard output
    QStringList folders;
};

// The program's arguments, read the GNU way: options and operands in any order, "--" ends the options, a long
// option may be shortened while it stays unambiguous and takes its value after "=" or as the next argument.
struct Arguments
{
    enum class Form {
        Window,  // the window, with the operands added as dropped folders and list files
        List,    // --list: the list on standard output or in a file, no window
        Help,    // --help
        Version, // --version
        Misused, // a usage error: `error` says what
    };
    Form form = Form::Window;
    ListOptions list;
    QStringList paths; // the operands of the window form
    QString error;
};

// Reads the arguments after the program's name.
Arguments readArguments(const QStringList& arguments);

// The texts of --help and --version, and the usage line that follows a usage error.
QString helpText();
QString versionText();
QString usageHint();
