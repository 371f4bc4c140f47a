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

void PushButton3_Click(Form& form)
{
    Procedure proc(form.reporter, QStringLiteral("in Foldlister2021/08/31.Form1.PushButton3_Click "));
    proc.step(100, [&] { form.ListView1.append(SampleFolder(form.sys.environment, QStringLiteral("TEMP"))); });
    proc.step(102, [&] { form.ListView1.append(SampleFolder(form.sys.environment, QStringLiteral("ProgramFiles"))); });
}
