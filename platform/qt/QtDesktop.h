#pragma once

#include "platform/Desktop.h"

// Opens through Qt's desktop services; shows a file through the file manager's freedesktop interface
// (org.freedesktop.FileManager1.ShowItems, which GNOME Files, Dolphin, Nemo and Thunar answer) and, where no
// file manager answers in time, opens the file's folder instead.
class QtDesktop : public Desktop
{
public:
    void open(const QString& path) override;
    void showInFolder(const QString& path) override;
};
