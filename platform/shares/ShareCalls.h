#pragma once

#include "platform/FileSystem.h"
#include "platform/SaveTarget.h"
#include "platform/shares/CallWaiter.h"
#include "platform/shares/MountTable.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

// The calls into a file system that may hang, made through the waiter where there is one: a call on a path that
// leads onto a share (see MountTable) runs on the waiter's thread, any other here. The file system and the
// settings file both make their calls through one of these.
class ShareCalls
{
public:
    void setWaiter(CallWaiter* waiter) { m_waiter = waiter; }
    CallWaiter* waiter() const { return m_waiter; }
    MountTable& mounts() { return m_mounts; }

    // Whether a call on the path goes through the waiter. Without a waiter the mount table is not even read.
    bool waitsFor(QByteArrayView path) { return m_waiter && m_mounts.mayHang(path); }
    // The same for the entry `entry` of the folder `folder`, whose path is only put together where there is a
    // waiter: the listing asks it for every link among a folder's entries.
    bool waitsFor(const QByteArray& folder, const char* entry)
    {
        return m_waiter && m_mounts.mayHang(folder + '/' + entry);
    }

    // Makes the call through the waiter, which there must be, and hands back what it returned.
    template <typename Call>
    auto waited(Call&& call, CallWaiter::OnClose onClose = CallWaiter::OnClose::Abandon) -> decltype(call())
    {
        using Result = decltype(call());
        if constexpr (std::is_void_v<Result>) {
            m_waiter->wait(call, onClose);
        } else {
            std::optional<Result> result;
            m_waiter->wait([&] { result.emplace(call()); }, onClose);
            return std::move(*result);
        }
    }
    // Makes the call here, or through the waiter where the path may hang.
    template <typename Call>
    auto guarded(QByteArrayView path, Call&& call, CallWaiter::OnClose onClose = CallWaiter::OnClose::Abandon)
        -> decltype(call())
    {
        if (!waitsFor(path))
            return call();
        return waited(call, onClose);
    }

    // Runs `part` on the ranges of a batch of `count` calls, each of which may wait for a server, through the
    // waiter, which there must be: the ranges run side by side on threads of their own, as a share answers many
    // requests at once, and the batch costs one wait of a few requests' time.
    using Part = std::function<void(std::size_t first, std::size_t last)>;
    void waitedSideBySide(std::size_t count, const Part& part);

    // Lists through the waiter, which there must be: `list` hands its names to the sink it is given on the
    // waiter's thread, and they reach `sink` afterwards on this one.
    void listNames(const std::function<void(const FileSystem::NameSink&)>& list, const FileSystem::NameSink& sink);
    // Opens the file at `path` to read with `open`; on a path that may hang the opening, every read and the
    // closing go through the waiter.
    std::unique_ptr<QIODevice> openRead(QByteArrayView path, const std::function<std::unique_ptr<QIODevice>()>& open);
    // Opens the save of the file at `path` with `open`; on a path that may hang every call of the save goes
    // through the waiter, on a local disk only the commit does, where there is a waiter.
    std::unique_ptr<SaveTarget> openSave(QByteArrayView path, const std::function<std::unique_ptr<SaveTarget>()>& open);

private:
    CallWaiter* m_waiter = nullptr;
    MountTable m_mounts;
};
