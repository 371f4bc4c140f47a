#include "app/ErrorReport.h"

QString errorReportText(const QString& description, const QString& procedure, int label)
{
    return description + QStringLiteral("\r\n") + procedure + QStringLiteral("at line ") + QString::number(label) +
           QStringLiteral("\r\r") + QStringLiteral("Please email screenshot of this message to ") + kSupportAddress;
}

void ErrorReportBox::ErrorReport(const QString& description, const QString& procedure, int label)
{
    m_dialogs.messageBox(errorReportText(description, procedure, label), MsgBoxCode::OkOnly | MsgBoxCode::Exclamation,
                         QStringLiteral("Application Error"));
}
