#pragma once

#include "window/Form.h"

// The maker's contact page that the help message names.
inline const QString kContactPage = QStringLiteral("https://quillmark.example/contact");

// "Help": tells the user whom to ask.
void PushButton11_Click(Reporter& reporter, const WindowDialogs& ask);

// "?", beside the filter box: what the filter means.
void PushButton12_Click(Reporter& reporter, const WindowDialogs& ask);

// The filter help, six lines joined by carriage returns.
QString filterHelpText();
