#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A network between a client and a server on 127.0.0.1: it listens on a port of its own and forwards every
// connection to `targetPort`, holding each chunk of bytes `oneWayMs` before passing it on, in each direction.
// Chunks are timestamped as they arrive and let go in order once their time has come, so requests in flight
// overlap as on a real link: a client that sends many requests at once pays one round trip for all of them.
//
// Where the stream is SMB2 (unencrypted: signing leaves the headers readable), it counts the client's requests
// by command, compounded ones included.
class DelayRelay
{
public:
    enum class Stream { Opaque, Smb2 };
    DelayRelay(int targetPort, int oneWayMs, Stream stream = Stream::Opaque);
    ~DelayRelay(); // ends every connection
    DelayRelay(const DelayRelay&) = delete;
    DelayRelay& operator=(const DelayRelay&) = delete;

    // 0 where no port could be had.
    int port() const { return m_port; }
    // The requests counted since the last call, by kind.
    std::map<std::string, long> takeCounts();

private:
    struct Pump;
    void accept();
    void connect(int client);
    void count(const std::string& kind);

    int m_targetPort;
    int m_oneWayMs;
    Stream m_stream;
    int m_listener = -1;
    int m_port = 0;
    int m_wake[2] = {-1, -1};
    std::thread m_acceptor;
    std::mutex m_mutex;
    std::vector<std::shared_ptr<Pump>> m_pumps;
    std::map<std::string, long> m_counts;
};

// A port on 127.0.0.1 that nothing listens on now.
int freeLoopbackPort();
