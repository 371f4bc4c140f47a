#include "platform/shares/ShareCalls.h"

#include "platform/shares/WaitingDevice.h"
#include "platform/shares/WaitingSaveTarget.h"

#include <cstdint>
#include <cstring>
#include <string>

void ShareCalls::listNames(const std::function<void(const FileSystem::NameSink&)>& list,
                           const FileSystem::NameSink& sink)
{
    // The names are read on the waiter's thread and handed to the command on its own: one pool of bytes, a
    // name after another, each behind its length.
    std::string pool;
    m_waiter->wait([&] {
        list([&](std::string_view found) {
            const std::uint32_t length = std::uint32_t(found.size());
            pool.append(reinterpret_cast<const char*>(&length), sizeof length).append(found);
        });
    });
    for (std::size_t at = 0; at < pool.size();) {
        std::uint32_t length;
        std::memcpy(&length, pool.data() + at, sizeof length);
        sink(std::string_view(pool.data() + at + sizeof length, length));
        at += sizeof length + length;
    }
}

std::unique_ptr<QIODevice> ShareCalls::openRead(QByteArrayView path,
                                                const std::function<std::unique_ptr<QIODevice>()>& open)
{
    if (!waitsFor(path))
        return open();
    std::unique_ptr<QIODevice> file;
    m_waiter->wait([&] { file = open(); });
    return std::make_unique<WaitingDevice>(*m_waiter, std::move(file));
}

std::unique_ptr<SaveTarget> ShareCalls::openSave(QByteArrayView path,
                                                 const std::function<std::unique_ptr<SaveTarget>()>& open)
{
    if (!waitsFor(path)) {
        std::unique_ptr<SaveTarget> target = open();
        if (!m_waiter)
            return target;
        return std::make_unique<CommitWaitingSaveTarget>(*m_waiter, std::move(target));
    }
    std::unique_ptr<SaveTarget> target;
    m_waiter->wait([&] { target = open(); }, CallWaiter::OnClose::Finish);
    return std::make_unique<WaitingSaveTarget>(*m_waiter, std::move(target));
}
