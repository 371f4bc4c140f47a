#pragma once

#include "commands/Procedure.h"
#include "platform/Dialogs.h"

#include <QString>

// Where the error report asks the user to send a screenshot.
inline const QString kSupportAddress = QStringLiteral("support@quillmark.example");

// The report's text: the failure, the procedure and its line, and the request to send a screenshot.
QString errorReportText(const QString& description, const QString& procedure, int label);

// The report as the window shows it: its own title, OK and the exclamation icon.
class ErrorReportBox : public Reporter
{
public:
    explicit ErrorReportBox(Dialogs& dialogs) : m_dialogs(dialogs) {}
    void ErrorReport(const QString& description, const QString& procedure, int label) override;

private:
    Dialogs& m_dialogs;
};
