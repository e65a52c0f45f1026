#pragma once

#include <QByteArray>
#include <chrono>
#include <memory>

#include "platform/http_client.h"

class QNetworkAccessManager;

namespace lexiquill::adapters {

// HttpClient over Qt Network. One manager for the client's lifetime, so that
// requests to the same server reuse its connection.
class QtHttpClient final : public platform::HttpClient {
public:
    static constexpr std::chrono::milliseconds kDefaultTimeout{60'000};
    static constexpr qint64 kMaxBodyBytes = 16 * 1024 * 1024;

    // timeout: how long the server may stay silent, while connecting or between two
    // pieces of the answer, before the request is given up.
    explicit QtHttpClient(std::chrono::milliseconds timeout = kDefaultTimeout);
    ~QtHttpClient() override;

    QString get(const QString& address) override;

private:
    std::unique_ptr<QNetworkAccessManager> m_manager;
    std::chrono::milliseconds m_timeout;
};

}  // namespace lexiquill::adapters
