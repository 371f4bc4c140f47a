#include "ScriptedYield.h"

#include "base/Failure.h"

#include <QCoreApplication>

void ScriptedYield::DoEvents()
{
    if (m_closed)
        throw ProgramClosing{};
    ++m_calls;
    if (m_processEvents)
        QCoreApplication::processEvents();
    auto [first, last] = m_actions.equal_range(m_calls);
    std::vector<std::function<void()>> due;
    for (auto it = first; it != last; ++it)
        due.push_back(std::move(it->second));
    m_actions.erase(first, last);
    for (auto& action : due)
        action();
    if (m_every)
        m_every();
    if (m_closed)
        throw ProgramClosing{};
}

void ScriptedYield::paintOnly()
{
    if (m_atPaint)
        std::exchange(m_atPaint, {})();
}

QStringList ScriptedYield::problems() const
{
    QStringList all;
    if (m_atPaint)
        all.append(QStringLiteral("the action for a repaint never ran"));
    for (const auto& [call, action] : m_actions)
        all.append(QStringLiteral("an action for yield %1 never ran (%2 yields)").arg(call).arg(m_calls));
    return all;
}
