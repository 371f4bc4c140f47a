#include "ErrorReports.h"

#include <QRegularExpression>

QList<ErrorReportSeen> errorReports(const WindowHarness& h)
{
    static const QRegularExpression place(
        QStringLiteral("\r\nin ([A-Za-z]+2021/08/31)\\.([A-Za-z0-9]+)\\.([A-Za-z0-9_]+) "
                       "at line ([0-9]+)\r\r"));
    // Only the walk's reports (module AddFolder) carry the project Brenwick2021/08/31.
    const auto projectOf = [](const QString& module) {
        return module == QLatin1String("AddFolder") ? QStringLiteral("Brenwick2021/08/31")
                                                    : QStringLiteral("Foldlister2021/08/31");
    };
    QList<ErrorReportSeen> found;
    for (const ScriptedDialogs::Call& call : h.dialogs.calls()) {
        if (call.title != QLatin1String("Application Error"))
            continue;
        const QRegularExpressionMatch match = place.match(call.text);
        if (!match.hasMatch() || match.captured(1) != projectOf(match.captured(2))) {
            found.append({call.text, QString(), QStringLiteral("(unreadable report)"), -1});
            continue;
        }
        found.append(
            {call.text.left(match.capturedStart()), match.captured(2), match.captured(3), match.captured(4).toInt()});
    }
    return found;
}

QStringList reportPlaces(const WindowHarness& h)
{
    QStringList places;
    for (const ErrorReportSeen& report : errorReports(h))
        places.append(report.procedure + QChar(u' ') + QString::number(report.label));
    return places;
}

QStringList reportLines(const WindowHarness& h)
{
    QStringList lines;
    for (const ErrorReportSeen& report : errorReports(h))
        lines.append(QStringLiteral("%1.%2 %3: %4")
                         .arg(report.module, report.procedure)
                         .arg(report.label)
                         .arg(report.description));
    return lines;
}

QStringList otherMessages(const WindowHarness& h)
{
    QStringList texts;
    for (const ScriptedDialogs::Call& call : h.dialogs.calls())
        if (call.kind == QLatin1String("message") && call.title != QLatin1String("Application Error"))
            texts.append(call.text);
    return texts;
}
