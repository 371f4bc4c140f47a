#include "platform/shares/ShareCalls.h"

#include "platform/shares/WaitingDevice.h"
#include "platform/shares/WaitingSaveTarget.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

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

void ShareCalls::waitedSideBySide(std::size_t count, const Part& part)
{
    // A few calls a thread: more threads than that cost more to start than the requests they send at once.
    constexpr std::size_t kMostThreads = 32, kLeastCalls = 4;
    const std::size_t threads = std::max<std::size_t>(1, std::min(kMostThreads, count / kLeastCalls));
    m_waiter->wait([&] {
        std::vector<std::thread> started;
        std::size_t from = 0;
        for (std::size_t t = 0; t < threads; ++t) {
            const std::size_t to = count * (t + 1) / threads;
            try {
                started.emplace_back(part, from, to);
            } catch (const std::system_error&) {
                part(from, to); // no thread to spare: this one makes the calls
            }
            from = to;
        }
        for (std::thread& thread : started)
            thread.join();
    });
}
