#include "platform/shares/WaitingSaveTarget.h"

WaitingSaveTarget::WaitingSaveTarget(CallWaiter& waiter, std::unique_ptr<SaveTarget> target)
    : m_waiter(waiter), m_target(std::move(target)), m_device(waiter, m_target->device())
{}

WaitingSaveTarget::~WaitingSaveTarget()
{
    m_waiter.wait([&] { m_target.reset(); }, CallWaiter::OnClose::Finish);
}

void WaitingSaveTarget::reserve(qint64 size)
{
    m_waiter.wait([&] { m_target->reserve(size); }, CallWaiter::OnClose::Finish);
}

void WaitingSaveTarget::commit()
{
    m_waiter.wait([&] { m_target->commit(); }, CallWaiter::OnClose::Finish);
}

CommitWaitingSaveTarget::CommitWaitingSaveTarget(CallWaiter& waiter, std::unique_ptr<SaveTarget> target)
    : m_waiter(waiter), m_target(std::move(target))
{}

void CommitWaitingSaveTarget::commit()
{
    m_waiter.wait([&] { m_target->commit(); }, CallWaiter::OnClose::Finish);
}
