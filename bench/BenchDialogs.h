#pragma once

#include "platform/Dialogs.h"

#include <QStringList>

// The modal pieces answered as a user of the benchmark would: the tree's top, the text, the save path, the list
// files, Yes.
class BenchDialogs : public Dialogs
{
public:
    QString folder, input, savePath;
    int saveType = 0; // the file type chosen in the save dialog
    QStringList listFiles;
    int messageBox(const QString&, int buttons, const QString&) override
    {
        return (buttons & 7) == MsgBoxCode::YesNo ? MsgBoxAnswer::Yes : MsgBoxAnswer::Ok;
    }
    QString inputBox(const QString&, const QString&) override { return input; }
    QString pickFolder(const QString&, const QString&) override { return folder; }
    QStringList openFileNames(const QString&, const QStringList&) override { return listFiles; }
    QString saveFileName(const QString&, const QStringList&, int* filter) override
    {
        if (filter)
            *filter = saveType;
        return savePath;
    }
};
