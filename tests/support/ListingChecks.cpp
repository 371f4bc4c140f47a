#include "ListingChecks.h"

#include "listing/CreateList.h"

namespace {
const QString kProcedure = QStringLiteral("in Foldlister2021/08/31.Form1.PushButton5_Click ");
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

QStringList linesUnder(const QString& folder, const QStringList& names)
{
    QStringList lines;
    for (const QString& name : names)
        lines.append(folder + QChar(u'/') + name);
    return sorted(lines);
}

QList<Report> reports(const WindowHarness& h)
{
    QList<Report> found;
    for (const ScriptedDialogs::Call& call : h.dialogs.calls()) {
        if (call.title != QLatin1String("Application Error"))
            continue;
        const qsizetype at = call.text.indexOf(QStringLiteral("\r\n") + kProcedure + QStringLiteral("at line "));
        if (at < 0)
            continue;
        const QString rest = call.text.mid(at + 2 + kProcedure.size() + 8);
        found.append({call.text.left(at), rest.left(rest.indexOf(QChar(u'\r'))).toInt()});
    }
    return found;
}

QStringList plainMessages(const WindowHarness& h)
{
    QStringList texts;
    for (const ScriptedDialogs::Call& call : h.dialogs.calls())
        if (call.kind == QLatin1String("message") && call.title != QLatin1String("Application Error"))
            texts.append(call.text);
    return texts;
}

QStringList enumerationOrder(const QString& folder)
{
    PosixFileSystem files;
    const NameList names = ListFilesInFolder(files, folder, QStringLiteral("*.*"));
    QStringList order;
    for (int i = 0; i < names.count(); ++i)
        order.append(QString::fromUtf8(names.at(i).data(), qsizetype(names.at(i).size())));
    return order;
}
