#pragma once

#include "commands/CommandTools.h"

// The maker's contact page that the help message names.
inline const QString kContactPage = QStringLiteral("https://quillmark.example/contact");

// "Help": tells the user whom to ask.
void PushButton11_Click(const CommandTools& tools);

// "?", beside the filter box: what the filter means.
void PushButton12_Click(const CommandTools& tools);

// The filter help, six lines joined by carriage returns.
QString filterHelpText();
