#include "ScriptedDialogs.h"

#include "base/Failure.h"

namespace {
template <class Queue, class Fallback> auto take(Queue& queue, Fallback fallback)
{
    if (queue.empty())
        return fallback;
    auto value = queue.front();
    queue.pop_front();
    return value;
}
} // namespace

void ScriptedDialogs::enter()
{
    if (m_closed)
        throw ProgramClosing{};
}

QStringList ScriptedDialogs::messages() const
{
    QStringList texts;
    for (const Call& call : m_calls)
        if (call.kind == QLatin1String("message"))
            texts.append(call.text);
    return texts;
}

QStringList ScriptedDialogs::problems() const
{
    QStringList all = m_problems;
    if (!m_answers.empty())
        all.append(QStringLiteral("%1 message box answer(s) never taken").arg(m_answers.size()));
    if (!m_inputs.empty())
        all.append(QStringLiteral("input box answer never taken: %1").arg(m_inputs.front()));
    if (!m_folders.empty())
        all.append(QStringLiteral("folder choice never taken: %1").arg(m_folders.front()));
    if (!m_opens.empty())
        all.append(QStringLiteral("file-open choice never taken"));
    if (!m_saves.empty())
        all.append(QStringLiteral("file-save choice never taken: %1").arg(m_saves.front()));
    if (!m_whileMessage.empty())
        all.append(QStringLiteral("an action for an open message box never ran"));
    return all;
}

int ScriptedDialogs::messageBox(const QString& text, int buttons, const QString& title)
{
    enter();
    m_calls.push_back({QStringLiteral("message"), text, buttons, title, {}});
    if (!m_whileMessage.empty()) {
        auto action = std::move(m_whileMessage.front());
        m_whileMessage.pop_front();
        action();
    }
    if ((buttons & 7) == MsgBoxCode::OkOnly)
        return MsgBoxAnswer::Ok; // primed answers are for questions
    if (m_answers.empty())
        m_problems.append(QStringLiteral("unanswered question: ") + text);
    return take(m_answers, MsgBoxAnswer::No);
}

QString ScriptedDialogs::inputBox(const QString& prompt, const QString& title)
{
    enter();
    m_calls.push_back({QStringLiteral("input"), prompt, 0, title, {}});
    if (m_inputs.empty())
        m_problems.append(QStringLiteral("input box without an answer: ") + prompt);
    return take(m_inputs, QString());
}

QString ScriptedDialogs::pickFolder(const QString& prompt, const QString& startFolder)
{
    enter();
    m_calls.push_back({QStringLiteral("folder"), prompt, 0, QString(), startFolder});
    if (m_folders.empty())
        m_problems.append(QStringLiteral("folder chooser without an answer"));
    return take(m_folders, QString());
}

QStringList ScriptedDialogs::openFileNames(const QString& title, const QStringList& filters)
{
    enter();
    m_calls.push_back({QStringLiteral("open"), title, 0, title, filters.join(QChar(u'|'))});
    if (m_opens.empty())
        m_problems.append(QStringLiteral("file-open dialog without an answer"));
    return take(m_opens, QStringList());
}

QString ScriptedDialogs::saveFileName(const QString& title, const QStringList& filters, int* filter)
{
    enter();
    m_calls.push_back({QStringLiteral("save"), title, filter ? *filter : 0, title, filters.join(QChar(u'|'))});
    const int type = take(m_saveTypes, 0);
    if (filter)
        *filter = type;
    if (m_saves.empty())
        m_problems.append(QStringLiteral("file-save dialog without an answer"));
    return take(m_saves, QString());
}
