#pragma once

#include <functional>
#include <memory>
#include <string>

namespace lexiquill::service {

inline constexpr const char* kDefaultHost = "127.0.0.1";
inline constexpr int kDefaultPort = 47800;

// The mnemonic service over HTTP: GET /mnemonics/?w=<phrase>[&seed=N] answers a page with one
// picturable word per letter A to Z of the phrase, GET /healthz answers 200. It keeps no state
// between requests, so any number of copies can serve behind one address.
class MnemonicServer {
public:
    MnemonicServer();
    ~MnemonicServer();  // stops and joins
    MnemonicServer(const MnemonicServer&) = delete;
    MnemonicServer& operator=(const MnemonicServer&) = delete;

    // Binds host:port (port 0 = any free port) synchronously, then serves on background
    // threads. Returns false and fills *error with a readable reason when it cannot bind.
    bool start(const std::string& host, int port, std::string* error = nullptr);
    void stop();     // idempotent; joins the threads
    int port() const;  // the bound port after a successful start

    // Called once per answered request, on the serving thread, with one line describing it
    // (peer, request line, status). Set it before start().
    void setRequestLog(std::function<void(const std::string& line)> log);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace lexiquill::service
