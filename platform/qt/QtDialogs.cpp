#include "platform/qt/QtDialogs.h"

#include "base/Failure.h"
#include "platform/qt/CommandGate.h"

#include <QDir>
#include <algorithm>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>

void QtDialogs::throwIfClosed() const
{
    if (m_closed)
        throw ProgramClosing{};
}

int QtDialogs::ask(QDialog& box)
{
    const CommandGate::Scope asking(m_gate, CommandGate::Moment::Asking, &box);
    return box.exec();
}

QString QtDialogs::displayText(const QString& text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QChar(u'\r'), QChar(u'\n'));
    return shown;
}

int QtDialogs::messageBox(const QString& text, int buttons, const QString& title)
{
    throwIfClosed();
    QMessageBox box(m_owner);
    box.setWindowTitle(title);
    box.setText(displayText(text));
    box.setTextFormat(Qt::PlainText);
    box.setIcon((buttons & MsgBoxCode::Exclamation) == MsgBoxCode::Exclamation ? QMessageBox::Warning
                                                                               : QMessageBox::NoIcon);
    const bool yesNo = (buttons & 7) == MsgBoxCode::YesNo;
    if (yesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int answer = ask(box);
    throwIfClosed();
    if (yesNo)
        return answer == QMessageBox::Yes ? MsgBoxAnswer::Yes : MsgBoxAnswer::No;
    return MsgBoxAnswer::Ok;
}

QString QtDialogs::inputBox(const QString& prompt, const QString& title)
{
    throwIfClosed();
    QInputDialog box(m_owner);
    box.setWindowTitle(title);
    box.setLabelText(displayText(prompt));
    box.setTextValue(QString());
    box.setInputMode(QInputDialog::TextInput);
    const bool accepted = ask(box) == QDialog::Accepted;
    throwIfClosed();
    return accepted ? box.textValue() : QString();
}

QString QtDialogs::pickFolder(const QString& prompt, const QString& startFolder)
{
    throwIfClosed();
    const QString start = !startFolder.isEmpty() && QFileInfo(startFolder).isDir() ? startFolder : QString();
    QFileDialog dialog(m_owner, prompt, start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    const bool accepted = ask(dialog) == QDialog::Accepted;
    throwIfClosed();
    QString chosen = accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().constFirst() : QString();
    if (chosen.isEmpty() || !QFileInfo(chosen).isDir())
        return QString();
    chosen = QDir::toNativeSeparators(chosen);
    const QString root = QDir::toNativeSeparators(QDir(chosen).rootPath());
    while (chosen.size() > 1 && chosen != root && (chosen.endsWith(QDir::separator()) || chosen.endsWith(QChar(u'/'))))
        chosen.chop(1);
    return chosen;
}

QStringList QtDialogs::nameFilters(const QStringList& filters)
{
#ifdef Q_OS_WIN
    return filters;
#else
    QStringList adapted;
    for (const QString& filter : filters) {
        QString qtFilter = filter;
        if (filter.endsWith(QStringLiteral("(*.*)")))
            qtFilter.insert(filter.size() - 1, QStringLiteral(" *"));
        adapted.append(qtFilter);
    }
    return adapted;
#endif
}

QStringList QtDialogs::openFileNames(const QString& title, const QStringList& filters)
{
    throwIfClosed();
    QFileDialog dialog(m_owner, title);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(nameFilters(filters));
    const bool accepted = ask(dialog) == QDialog::Accepted;
    throwIfClosed();
    QStringList chosen;
    if (accepted)
        for (const QString& path : dialog.selectedFiles())
            chosen.append(QDir::toNativeSeparators(path));
    return chosen;
}

QString QtDialogs::saveFileName(const QString& title, const QStringList& filters, int* filter)
{
    throwIfClosed();
    QFileDialog dialog(m_owner, title);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setDefaultSuffix(QString());
    const QStringList shown = nameFilters(filters);
    dialog.setNameFilters(shown);
    if (filter && *filter > 0 && *filter < shown.size())
        dialog.selectNameFilter(shown.at(*filter));
    const bool accepted = ask(dialog) == QDialog::Accepted;
    throwIfClosed();
    if (filter)
        *filter = std::max(0, int(shown.indexOf(dialog.selectedNameFilter())));
    if (!accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}
