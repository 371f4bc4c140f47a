#pragma once

#include "platform/Clipboard.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStorage.h"
#include "platform/Yield.h"

#include <QString>

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
    Desktop* desktop = nullptr; // none where nothing may be opened (the tests): the menus' Open items are off
};
