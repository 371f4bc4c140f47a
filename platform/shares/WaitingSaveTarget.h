#pragma once

#include "platform/SaveTarget.h"
#include "platform/shares/CallWaiter.h"
#include "platform/shares/WaitingDevice.h"

#include <memory>

// A save onto a file system that may hang: the writing, the reserving, the commit and the dropping of an
// uncommitted file made through the waiter.
class WaitingSaveTarget : public SaveTarget
{
public:
    WaitingSaveTarget(CallWaiter& waiter, std::unique_ptr<SaveTarget> target);
    ~WaitingSaveTarget() override;
    QIODevice& device() override { return m_device; }
    void reserve(qint64 size) override;
    void commit() override;

private:
    CallWaiter& m_waiter;
    std::unique_ptr<SaveTarget> m_target;
    WaitingDevice m_device;
};

// A save onto a local disk: only the commit, which waits until the whole file is on the disk (a second or
// more for a large file), is made through the waiter, so that the window goes on painting meanwhile.
class CommitWaitingSaveTarget : public SaveTarget
{
public:
    CommitWaitingSaveTarget(CallWaiter& waiter, std::unique_ptr<SaveTarget> target);
    QIODevice& device() override { return m_target->device(); }
    void reserve(qint64 size) override { m_target->reserve(size); }
    void commit() override;

private:
    CallWaiter& m_waiter;
    std::unique_ptr<SaveTarget> m_target;
};
