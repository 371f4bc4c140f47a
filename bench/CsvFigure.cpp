#include "CsvFigure.h"

#include "commands/Form.h"
#include "platform/qt/CommandGate.h"
#include "results/CsvExport.h"

#include <QFile>

#include <memory>

bool exportCsv(CommandGate& gate, Form& form, const QString& path)
{
    bool written = false;
    gate.start([&] {
        const CommandTools tools = form.tools();
        Procedure proc(tools.reporter, procedureText(QStringLiteral("Form1"), QStringLiteral("PushButton7_Click")));
        std::unique_ptr<SaveTarget> target;
        if (proc.step(130, [&] { target = tools.files.openSave(path); }))
            written = writeCsv(tools, proc, form.ResultList, *target) && proc.step(140, [&] { target->commit(); });
    });
    return written;
}

QString findCsvReference(const QString& top, const QString& out)
{
    return QStringLiteral("find '%1' -type f -printf '%p,%f,%s,%TY-%Tm-%TdT%TH:%TM:%TS%Tz\\n' > '%2'").arg(top, out);
}

CsvCounts countCsv(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = file.readAll();
    CsvCounts counts;
    counts.records = qsizetype(text.count("\r\n")) - 1; // the header is no record
    counts.withoutTime = qsizetype(text.count(",\r\n"));
    return counts;
}
