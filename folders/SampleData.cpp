#include "folders/SampleData.h"

QString sampleFolder(Environment& environment, const QString& variable)
{
    if (std::optional<QString> value = environment.value(variable))
        return *value;
    if (variable == QLatin1String("TEMP"))
        return environment.temporaryFolder();
    if (variable == QLatin1String("ProgramFiles"))
        return environment.programsFolder();
    return QString();
}

void PushButton3_Click(Reporter& reporter, Environment& environment, PaneModel& folders)
{
    Procedure proc(reporter, procedureText(QStringLiteral("Form1"), QStringLiteral("PushButton3_Click")));
    proc.step(100, [&] { folders.append(sampleFolder(environment, QStringLiteral("TEMP"))); });
    proc.step(102, [&] { folders.append(sampleFolder(environment, QStringLiteral("ProgramFiles"))); });
}
