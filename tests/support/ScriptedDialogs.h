#pragma once

#include "platform/Dialogs.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

// The modal pieces for tests: each call is recorded and takes the next primed answer of its kind. An OK box
// takes none; any other call without one is a problem, and so is an answer never taken.
class ScriptedDialogs : public Dialogs
{
public:
    struct Call
    {
        QString kind; // "message", "input", "folder", "open", "save"
        QString text; // message text, prompt or title
        int buttons = 0; // of "message"; the file type "save" opens with
        QString title;
        QString extra; // the start folder of "folder"; the filters of "open" and "save", joined by "|"
    };

    void answerNext(int answer) { m_answers.push_back(answer); }
    void inputNext(const QString& text) { m_inputs.push_back(text); }
    void folderNext(const QString& path) { m_folders.push_back(path); }
    void openNext(const QStringList& paths) { m_opens.push_back(paths); }
    // The path and the file type (an index into the dialog's types) the user chooses.
    void saveNext(const QString& path, int type = 0)
    {
        m_saves.push_back(path);
        m_saveTypes.push_back(type);
    }
    // Runs while the next message box is open (the user doing something else before answering).
    void whileNextMessage(std::function<void()> action) { m_whileMessage.push_back(std::move(action)); }

    void close() { m_closed = true; }

    const std::vector<Call>& calls() const { return m_calls; }
    QStringList messages() const; // the texts of all message boxes, in order
    QStringList problems() const;

    int messageBox(const QString& text, int buttons, const QString& title) override;
    QString inputBox(const QString& prompt, const QString& title) override;
    QString pickFolder(const QString& prompt, const QString& startFolder) override;
    QStringList openFileNames(const QString& title, const QStringList& filters) override;
    QString saveFileName(const QString& title, const QStringList& filters, int* filter = nullptr) override;

private:
    void enter();

    std::deque<int> m_answers;
    std::deque<QString> m_inputs;
    std::deque<QString> m_folders;
    std::deque<QStringList> m_opens;
    std::deque<QString> m_saves;
    std::deque<int> m_saveTypes;
    std::deque<std::function<void()>> m_whileMessage;
    std::vector<Call> m_calls;
    QStringList m_problems;
    bool m_closed = false;
};
