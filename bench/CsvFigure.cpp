#include "CsvFigure.h"

#include "commands/Form.h"
#include "platform/qt/CommandGate.h"
#include "results/ResultsOutput.h"

#include <QFile>

bool exportCsv(CommandGate& gate, Form& form, const QString& path)
{
    bool written = false;
    gate.start([&] {
        const CommandTools tools = form.tools();
        Procedure proc(tools.reporter, procedureText(QStringLiteral("Form1"), QStringLiteral("PushButton7_Click")));
        written = writeListFile(tools, proc, form.ResultList, path, SaveType::Csv);
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
    // Read a block at a time, so that the count does not add the file to the peak memory.
    CsvCounts counts{-1, 0}; // the header is no record
    char beforeLast = 0, last = 0;
    for (QByteArray block; !(block = file.read(1 << 20)).isEmpty();) {
        for (const char byte : block) {
            if (last == '\r' && byte == '\n') {
                ++counts.records;
                counts.withoutTime += beforeLast == ',';
            }
            beforeLast = last;
            last = byte;
        }
    }
    return counts;
}
