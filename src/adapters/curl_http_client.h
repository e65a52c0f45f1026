#pragma once

#include <chrono>
#include <memory>

#include "platform/http_client.h"

namespace lexiquill::adapters {

// HttpClient over libcurl, driven from the window's own event loop: curl's sockets
// and timers are watched with Qt's socket notifiers and timers, so the window goes on
// repainting while a request waits, with either event dispatcher. One curl handle is
// kept for the client's lifetime, so that requests to the same server reuse its
// connection. Proxies come from the http_proxy, https_proxy and no_proxy variables;
// an address on this machine is always asked directly.
class CurlHttpClient final : public platform::HttpClient {
public:
    static constexpr std::chrono::milliseconds kDefaultTimeout{60'000};
    static constexpr qint64 kMaxBodyBytes = 16 * 1024 * 1024;

    // timeout: how long a whole request may take, from connecting to the last byte of
    // the answer, before it is given up; a server that trickles its answer is given up
    // as one that stays silent.
    explicit CurlHttpClient(std::chrono::milliseconds timeout = kDefaultTimeout);
    ~CurlHttpClient() override;

    QString get(const QString& address) override;

private:
    class Driver;
    std::unique_ptr<Driver> m_driver;
    std::chrono::milliseconds m_timeout;
};

}  // namespace lexiquill::adapters
