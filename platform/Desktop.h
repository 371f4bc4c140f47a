#pragma once

#include <QString>

// The desktop's own handling of a file: its default application and its file manager. Neither call waits for
// what it starts.
class Desktop
{
public:
    virtual ~Desktop() = default;
    // Opens the file or folder with the application the desktop has chosen for it.
    virtual void open(const QString& path) = 0;
    // Shows the file in its folder in the file manager, with the file selected where the file manager can.
    virtual void showInFolder(const QString& path) = 0;
};
