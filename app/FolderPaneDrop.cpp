#include "app/FolderPaneDrop.h"

#include "folders/AddFolders.h"
#include "folders/LoadLists.h"
#include "folders/SubfolderWalk.h"

#include <utility>

namespace {

// The dialogs as a drop answers them: the dropped folder is the one picked, the dropped files the ones
// chosen. Every other question still goes to the user.
class DropAnswers : public Dialogs
{
public:
    DropAnswers(Dialogs& dialogs, QString folder, QStringList files)
        : m_dialogs(dialogs), m_folder(std::move(folder)), m_files(std::move(files))
    {}

    int messageBox(const QString& text, int buttons, const QString& title) override
    {
        return m_dialogs.messageBox(text, buttons, title);
    }
    QString inputBox(const QString& prompt, const QString& title) override { return m_dialogs.inputBox(prompt, title); }
    QString pickFolder(const QString&, const QString&) override { return m_folder; }
    QStringList openFileNames(const QString&, const QStringList&) override { return m_files; }
    QString saveFileName(const QString& title, const QStringList& filters, int* filter) override
    {
        return m_dialogs.saveFileName(title, filters, filter);
    }

private:
    Dialogs& m_dialogs;
    QString m_folder;
    QStringList m_files;
};

CommandTools answeredBy(const CommandTools& tools, Dialogs& answers)
{
    return {tools.reporter, answers, tools.applicationTitle, tools.pointer, tools.files, tools.yield};
}

} // namespace

void addDroppedPaths(const CommandTools& tools, SettingsStorage& settings, PaneModel& folders, QString& startFolder,
                     const QStringList& paths)
{
    QStringList files;
    auto loadFiles = [&] {
        if (files.isEmpty())
            return;
        DropAnswers answers(tools.dialogs, QString(), std::exchange(files, {}));
        PushButton2_Click(answeredBy(tools, answers), folders);
    };
    for (const QString& path : paths) {
        if (!IsDirectory(tools.files, path)) {
            files.append(path);
            continue;
        }
        loadFiles();
        DropAnswers answers(tools.dialogs, path, {});
        PushButton6_Click(answeredBy(tools, answers), settings, folders, startFolder);
    }
    loadFiles();
}
