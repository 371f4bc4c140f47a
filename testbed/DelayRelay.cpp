#include "testbed/DelayRelay.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <iterator>
#include <utility>

#include <fcntl.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

sockaddr_in loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(std::uint16_t(port));
    return address;
}

int boundPort(int fd)
{
    sockaddr_in address = loopback(0);
    socklen_t size = sizeof address;
    return ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0 ? ntohs(address.sin_port) : 0;
}

// Small writes go out at once, as the client and the server meant them.
void noDelay(int fd)
{
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

const char* smb2CommandName(unsigned command)
{
    static const char* const kNames[] = {
        "NEGOTIATE",       "SESSION_SETUP", "LOGOFF",     "TREE_CONNECT", "TREE_DISCONNECT", "CREATE", "CLOSE",
        "FLUSH",           "READ",          "WRITE",      "LOCK",         "IOCTL",           "CANCEL", "ECHO",
        "QUERY_DIRECTORY", "CHANGE_NOTIFY", "QUERY_INFO", "SET_INFO",     "OPLOCK_BREAK"};
    return command < std::size(kNames) ? kNames[command] : "unknown";
}

std::uint32_t little(const std::string& bytes, std::size_t at, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | std::uint8_t(bytes[at + std::size_t(i)]);
    return value;
}

} // namespace

// One direction of one connection: a reader that stamps each chunk with the moment it may leave, and a writer
// that lets the chunks go in order at their moments.
struct DelayRelay::Pump
{
    struct Chunk
    {
        Clock::time_point due;
        std::string bytes; // empty: the sender has finished
    };

    int from, to;
    Clock::duration delay;
    std::function<void(const std::string&)> counter; // the client's requests, where they are counted
    std::string unparsed;
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<Chunk> chunks;
    bool stopping = false;
    std::atomic<int> running{2};
    std::thread reader, writer;

    void read()
    {
        std::string buffer(256 * 1024, '\0');
        for (;;) {
            const ssize_t got = ::read(from, buffer.data(), buffer.size());
            const Clock::time_point due = Clock::now() + delay;
            if (got > 0 && counter)
                countSmb2(buffer.data(), std::size_t(got));
            {
                std::lock_guard lock(mutex);
                chunks.push_back({due, got > 0 ? buffer.substr(0, std::size_t(got)) : std::string()});
            }
            ready.notify_one();
            if (got <= 0)
                break;
        }
        --running;
    }

    void write()
    {
        std::unique_lock lock(mutex);
        for (bool ended = false; !ended;) {
            ready.wait(lock, [&] { return stopping || !chunks.empty(); });
            if (stopping)
                break;
            const Clock::time_point due = chunks.front().due;
            lock.unlock();
            std::this_thread::sleep_until(due);
            lock.lock();
            std::string out;
            while (!chunks.empty() && chunks.front().due <= Clock::now() && !ended) {
                ended = chunks.front().bytes.empty();
                out += chunks.front().bytes;
                chunks.pop_front();
            }
            lock.unlock();
            for (std::size_t sent = 0; sent < out.size();) {
                const ssize_t put = ::send(to, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
                if (put <= 0) {
                    ended = true;
                    ::shutdown(from, SHUT_RD); // nobody takes what the reader would read
                    break;
                }
                sent += std::size_t(put);
            }
            lock.lock();
        }
        ::shutdown(to, SHUT_WR);
        --running;
    }

    // SMB2 over TCP: each message behind a four-byte length; a message holds one request, or several chained by
    // their NextCommand offsets.
    void countSmb2(const char* data, std::size_t size)
    {
        unparsed.append(data, size);
        std::size_t at = 0;
        while (unparsed.size() - at >= 4) {
            const std::size_t length = std::size_t(std::uint8_t(unparsed[at + 1])) << 16 |
                                       std::size_t(std::uint8_t(unparsed[at + 2])) << 8 |
                                       std::uint8_t(unparsed[at + 3]);
            if (unparsed.size() - at < 4 + length)
                break;
            for (std::size_t header = at + 4; header + 64 <= at + 4 + length;) {
                const std::string magic = unparsed.substr(header, 4);
                if (magic == "\xfeSMB") {
                    counter(smb2CommandName(little(unparsed, header + 12, 2)));
                } else {
                    counter(magic == "\xffSMB" ? "SMB1" : magic == "\xfdSMB" ? "encrypted" : "unreadable");
                    break;
                }
                const std::uint32_t next = little(unparsed, header + 20, 4);
                if (next == 0)
                    break;
                header += next;
            }
            at += 4 + length;
        }
        unparsed.erase(0, at);
    }
};

int freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    const int port = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ? boundPort(fd) : 0;
    ::close(fd);
    return port;
}

DelayRelay::DelayRelay(int targetPort, int oneWayMs, Stream stream)
    : m_targetPort(targetPort), m_oneWayMs(oneWayMs), m_stream(stream)
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 64) != 0 || ::pipe2(m_wake, O_CLOEXEC) != 0)
        return;
    m_port = boundPort(m_listener);
    m_acceptor = std::thread([this] { accept(); });
}

DelayRelay::~DelayRelay()
{
    if (m_acceptor.joinable()) {
        (void)::write(m_wake[1], "x", 1);
        m_acceptor.join();
    }
    for (const std::shared_ptr<Pump>& pump : m_pumps) {
        ::shutdown(pump->from, SHUT_RDWR);
        {
            std::lock_guard lock(pump->mutex);
            pump->stopping = true;
        }
        pump->ready.notify_all();
    }
    for (const std::shared_ptr<Pump>& pump : m_pumps) {
        pump->reader.join();
        pump->writer.join();
        ::close(pump->from); // each socket is one pump's source and the other's destination
    }
    for (int fd : {m_listener, m_wake[0], m_wake[1]})
        if (fd >= 0)
            ::close(fd);
}

std::map<std::string, long> DelayRelay::takeCounts()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_counts, {});
}

void DelayRelay::count(const std::string& kind)
{
    std::lock_guard lock(m_mutex);
    ++m_counts[kind];
}

void DelayRelay::accept()
{
    for (;;) {
        pollfd waits[] = {{m_listener, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0 || waits[1].revents)
            return;
        const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0)
            connect(client);
    }
}

void DelayRelay::connect(int client)
{
    // Connections that have ended both ways give their threads back first (their pumps stand in pairs).
    for (std::size_t i = 0; i + 1 < m_pumps.size();) {
        if (m_pumps[i]->running == 0 && m_pumps[i + 1]->running == 0) {
            for (std::size_t j : {i, i + 1}) {
                m_pumps[j]->reader.join();
                m_pumps[j]->writer.join();
                ::close(m_pumps[j]->from);
            }
            m_pumps.erase(m_pumps.begin() + std::ptrdiff_t(i), m_pumps.begin() + std::ptrdiff_t(i) + 2);
        } else {
            i += 2;
        }
    }
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(m_targetPort);
    if (server < 0 || ::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(client);
        if (server >= 0)
            ::close(server);
        return;
    }
    noDelay(client);
    noDelay(server);
    const auto delay = std::chrono::duration_cast<Clock::duration>(std::chrono::milliseconds(m_oneWayMs));
    auto up = std::make_shared<Pump>(client, server, delay);
    auto down = std::make_shared<Pump>(server, client, delay);
    if (m_stream == Stream::Smb2)
        up->counter = [this](const std::string& kind) { count(kind); };
    for (const std::shared_ptr<Pump>& pump : {up, down}) {
        pump->reader = std::thread([pump] { pump->read(); });
        pump->writer = std::thread([pump] { pump->write(); });
        m_pumps.push_back(pump);
    }
}
