#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace lexiquill::service {

inline constexpr const char* kDefaultHost = "127.0.0.1";
inline constexpr int kDefaultPort = 47800;

// What one copy of the service takes on at once.
struct ServerLimits {
    int threads = 0;  // event loops; 0: one per core
    // A connection that brings no complete request for this long is closed.
    std::chrono::seconds idleTimeout{10};
    // Connections beyond this are answered 503 and closed at once.
    int maxConnections = 10000;
};

// The mnemonic service over HTTP: GET /mnemonics/?w=<phrase>[&seed=N] answers a page with one
// picturable word per letter A to Z of the phrase, GET /mnemonics/words?w=<phrase>&at=<N> other
// words for one of its letters (see mnemonic_words.h), GET /healthz answers 200. It keeps no state
// between requests, so any number of copies can serve behind one address.
class MnemonicServer {
public:
    MnemonicServer();
    ~MnemonicServer();  // stops at once and joins
    MnemonicServer(const MnemonicServer&) = delete;
    MnemonicServer& operator=(const MnemonicServer&) = delete;

    // Binds host:port (port 0 = any free port) synchronously, then serves on background
    // threads. Returns false and fills *error with a readable reason when it cannot bind.
    bool start(const std::string& host, int port, std::string* error = nullptr);
    // Stops accepting, lets requests already begun finish for at most `grace`, closes every
    // connection and joins the threads. Idempotent.
    void stop(std::chrono::milliseconds grace = std::chrono::milliseconds(0));
    int port() const;  // the bound port after a successful start
    // After a successful start: the connections served at once, fewer than the limits say
    // when the process may not open that many descriptors.
    int maxConnections() const;

    // Set these before start(). The log is called once per answer, on a serving thread, with
    // one line describing it (peer, request line, status, body size).
    void setLimits(const ServerLimits& limits);
    void setRequestLog(std::function<void(const std::string& line)> log);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace lexiquill::service
