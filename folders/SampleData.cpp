#include "folders/SampleData.h"

QString SampleFolder(Environment& environment, const QString& variable)
{
    if (std::optional<QString> value = environment.value(variable))
        return *value;
#ifdef Q_OS_WIN
    return QString();
#else
    if (variable == QLatin1String("TEMP"))
        return environment.temporaryFolder();
    if (variable == QLatin1String("ProgramFiles"))
        return QStringLiteral("/usr/bin");
    return QString();
#endif
}

void PushButton3_Click(Reporter& reporter, Environment& environment, ListPane& folders)
{
    Procedure proc(reporter, ProcedureText(QStringLiteral("Form1"), QStringLiteral("PushButton3_Click")));
    proc.step(100, [&] { folders.append(SampleFolder(environment, QStringLiteral("TEMP"))); });
    proc.step(102, [&] { folders.append(SampleFolder(environment, QStringLiteral("ProgramFiles"))); });
}
