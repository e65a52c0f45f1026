#pragma once

#include <httplib.h>

#include <QString>
#include <thread>

namespace lexiquill::test {

// A real HTTP server on 127.0.0.1 and a free port, serving on its own thread from
// construction until destruction. Routes are set on server() before start().
class LoopbackServer {
public:
    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    httplib::Server& server() { return m_server; }
    void start();
    int port() const { return m_port; }
    // "http://127.0.0.1:<port>"
    QString baseUrl() const;

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = -1;
};

// A port on 127.0.0.1 where nothing listens (it was free a moment ago).
int freeLoopbackPort();

}  // namespace lexiquill::test
